#ifndef EMULATOR_HIDRAWHOST_H
#define EMULATOR_HIDRAWHOST_H

#include "bridgeboard.h"
#include "latencymodel.h"
#include "paneldescription.h"
#include "wiretrace.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace emulator {

// The emulated bridge board as a USB HID device on a real-looking hidraw node.
//
// A umockdev testbed provides the sysfs tree and the uevents; /dev/hidraw0 in
// the testbed is a pseudo-terminal whose other end this host owns, so reads in
// the client (hidapi) wait and wake as on a real node. Writes and ioctls of the
// client reach the board through umockdev's ioctl handler; the board's answers
// go back through the terminal, whole reports only.
//
// Programs that should see the node must run with umockdev's preload library
// and the testbed's UMOCKDEV_DIR (a child started after start() inherits both).
class HidrawHost
{
public:
    explicit HidrawHost(PanelDescription panel = PanelDescription());
    ~HidrawHost();
    HidrawHost(const HidrawHost &) = delete;
    HidrawHost &operator=(const HidrawHost &) = delete;

    // Creates the testbed; sets UMOCKDEV_DIR in this process's environment.
    bool start(QString *error);

    // Adds the device (the "add" uevents go out last, once everything is in
    // place) and removes it again ("remove" uevents, child devices first). An
    // open client handle sees its node hang up before the uevents arrive.
    bool plug(QString *error);
    void unplug();
    bool isPlugged() const;

    // A different panel is a different board: takes effect at the next plug.
    void setPanel(const PanelDescription &panel);
    PanelDescription panel() const;
    void setFaults(const Faults &faults);
    void setLatency(LatencyModel latency);

    // What is on the panel: fingers (panel coordinates) and pressed keys. While
    // plugged in, the controller scans every 10 ms and the board forwards what
    // it sees when the station has switched forwarding on.
    void setTouches(const std::vector<Touch> &touches);
    void setKeys(std::uint8_t mask);
    bool startTrace(const QString &path);
    void stopTrace();
    // The file the trace goes to; empty while not tracing.
    QString tracePath() const;

    QString testbedRoot() const;
    QString nodeName() const { return QStringLiteral("hidraw0"); }

    // Counts since start, for the host's own tests.
    int outputReports() const;

    // Entry points of umockdev's worker thread.
    bool handleIoctl(void *client);
    bool handleWrite(void *client);

private:
    using Clock = std::chrono::steady_clock;
    struct Pending
    {
        Report report;
        Clock::time_point due;
        std::size_t length = kReportSize;
    };

    bool makeNode(QString *error);
    void removeParents();
    void closeNode();
    void queueInput(const Report &report, std::size_t length);
    void writerLoop();
    void scanLoop();

    UMockdevTestbed *m_testbed = nullptr;
    UMockdevIoctlBase *m_handler = nullptr;

    // The board and everything it owns are used by umockdev's worker thread,
    // the writer thread and the control side; this lock serialises them.
    mutable std::mutex m_boardMutex;
    BridgeBoard m_board;
    WireTrace m_trace;
    QString m_tracePath;
    PanelDescription m_panel;
    LatencyModel m_latency;
    int m_outputs = 0;

    // Answers on their way to the client, written whole by the writer thread.
    mutable std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<Pending> m_queue;
    int m_masterFd = -1;
    std::atomic<bool> m_plugged{false};
    bool m_stopping = false;
    std::thread m_writer;

    // The controller's scan clock.
    std::mutex m_scanMutex;
    std::condition_variable m_scanWake;
    bool m_scanStopping = false;
    std::thread m_scanner;

    QString m_ptyMapLink;

    // The USB device, interface and HID device in sysfs, kept across plugs.
    struct ParentIds
    {
        std::uint16_t vendorId;
        std::uint16_t productId;
    };
    std::optional<ParentIds> m_parents;
    QByteArray m_hidrawPath;
};

} // namespace emulator

#endif
