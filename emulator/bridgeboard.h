#ifndef EMULATOR_BRIDGEBOARD_H
#define EMULATOR_BRIDGEBOARD_H

#include "paneldescription.h"
#include "report.h"
#include "touchcontroller.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>

namespace emulator {

class WireTrace;

// The USB bridge board with the panel behind it, independent of how it is
// reached: a host hands it every output and feature report and passes on the
// input reports it produces. It keeps no clock and no thread; the host
// serialises all calls and models the bus timing.
//
// One input report goes out per answered request, none for the bridge reset
// and the firmware parts, as on the wire. Input reports leave through the
// sink, which runs inside receive() on the caller's thread, so later the board
// can also put reports of its own (touches, key codes) in between answers.
class BridgeBoard
{
public:
    using Sink = std::function<void(const Report &)>;

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

    const TouchController &controller() const { return controller_; }
    bool interruptEnabled() const { return interruptEnabled_; }
    bool forwarding() const { return forwarding_; }
    bool interruptReports() const { return interruptReports_; }
    int bridgeResets() const { return bridgeResets_; }
    int controllerResets() const { return controllerResets_; }

private:
    void handleI2c(const Report &request);
    void answer(const Report &report, std::size_t meaningful);
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
};

} // namespace emulator

#endif
