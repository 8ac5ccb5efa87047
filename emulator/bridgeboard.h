#ifndef EMULATOR_BRIDGEBOARD_H
#define EMULATOR_BRIDGEBOARD_H

#include "bootloader.h"
#include "paneldescription.h"
#include "report.h"
#include "touchcontroller.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

namespace emulator {

class WireTrace;

// A finger on the panel: its id as the controller numbers fingers (the
// station takes it modulo 8 and uses 0..4) and where it is, in panel
// resolution.
struct Touch
{
    std::uint8_t id = 0;
    std::uint16_t x = 0;
    std::uint16_t y = 0;

    bool operator==(const Touch &o) const { return id == o.id && x == o.x && y == o.y; }
};

// The USB bridge board with the panel behind it, independent of how it is
// reached: a host hands it every output and feature report and passes on the
// input reports it produces. It keeps no clock and no thread; the host
// serialises all calls and models the bus timing.
//
// One input report goes out per answered request, none for the bridge reset
// and the firmware parts (the bootloader answers a whole record), as on the
// wire. Input reports leave through the sink, which runs inside receive() or
// tick() on the caller's thread.
//
// Touches and keys: the host says what is on the panel (setTouches, setKeys)
// and calls tick() once per controller scan. While the bridge forwards
// controller reports with interrupt reports on and the controller is in
// normal mode, each tick puts one report of the board's own out through the
// sink, between whatever answers are queued there.
class BridgeBoard
{
public:
    // An input report and how many of its bytes go out: a whole report, or
    // fewer for an answer the short-answer fault cuts.
    using Sink = std::function<void(const Report &, std::size_t length)>;

    explicit BridgeBoard(PanelDescription panel = PanelDescription());
    BridgeBoard(const BridgeBoard &) = delete;
    BridgeBoard &operator=(const BridgeBoard &) = delete;

    void setSink(Sink sink);
    // Not owned; null switches tracing off.
    void setTrace(WireTrace *trace);

    const PanelDescription &panel() const { return panel_; }
    // A different panel is a different board: it starts from power-on.
    void setPanel(const PanelDescription &panel);
    void setFaults(const Faults &faults);

    // Plugged in: every switch and register back to its power-on value.
    void powerOn();

    // One output report, report id in byte 0. Shorter reports are taken as
    // zero-padded; bytes past 64 are not part of a report and are dropped.
    void receive(const std::uint8_t *data, std::size_t length);

    // Feature reports keep what was last set under their report id and give it
    // back. -1 when the board does not answer.
    int setFeature(const std::uint8_t *data, std::size_t length);
    int getFeature(std::uint8_t *data, std::size_t length);

    // What is on the panel now: fingers in the order they are reported (the
    // count byte says how many there are; only five fit in the report), keys
    // as the bit mask the key-code byte carries (bit k: key k held).
    void setTouches(const std::vector<Touch> &touches);
    void setKeys(std::uint8_t mask);
    const std::vector<Touch> &touches() const { return contact_.touches; }
    std::uint8_t keys() const { return contact_.keys; }

    // One controller scan. Reports while fingers or keys are down, once more
    // after the last of them is lifted, and once for each state a change went
    // through since the last scan, so that a tap shorter than a scan is still
    // seen. True when a report went out.
    bool tick();
    // Whether tick() would put a report out: the host's clock need only run
    // while this holds.
    bool reportDue() const;
    // Forwarding and interrupt reports on, controller in normal mode, board not silent.
    bool reporting() const;

    const TouchController &controller() const { return controller_; }
    const Bootloader &bootloader() const { return bootloader_; }
    bool interruptEnabled() const { return interruptEnabled_; }
    bool forwarding() const { return forwarding_; }
    bool interruptReports() const { return interruptReports_; }
    int bridgeResets() const { return bridgeResets_; }
    int controllerResets() const { return controllerResets_; }

private:
    struct Contact
    {
        std::vector<Touch> touches;
        std::uint8_t keys = 0;
        bool active() const { return !touches.empty() || keys != 0; }
    };

    void handle(const Report &request);
    void handleI2c(const Report &request);
    void handleFirmwarePart(const Report &request);
    void contactChanged();
    void stopReportingIfOff();
    void sendContact(const Contact &c);
    void configureBootloader();
    void install(const Bootloader::Image &image);
    void answer(const Report &report, std::size_t meaningful);
    // Whether the faults make the panel refuse this I2C transfer (nack or time-out).
    bool refused(const I2cSpots &spots, std::uint8_t target, bool isRead, std::uint8_t reg) const;
    static std::size_t requestLength(const Report &request);

    PanelDescription panel_;
    TouchController controller_;
    Sink sink_;
    WireTrace *trace_ = nullptr;
    bool interruptEnabled_ = false;
    bool forwarding_ = false;
    bool interruptReports_ = false;
    int bridgeResets_ = 0;
    int controllerResets_ = 0;
    std::map<std::uint8_t, QByteArray> features_;

    // The length of the answers to the request in hand (whole outside a request).
    std::size_t replyLength_ = kReportSize;

    Contact contact_;
    // States the panel went through since the last scan, reported one per scan.
    std::deque<Contact> owed_;
    bool reportedActive_ = false;

    Bootloader bootloader_;
    FirmwareRecord record_{};
    std::size_t recordFill_ = 0;
    bool recordInOrder_ = false;
};

} // namespace emulator

#endif
