#ifndef EMULATOR_INPROCESSTRANSPORT_H
#define EMULATOR_INPROCESSTRANSPORT_H

#include "bridgeboard.h"
#include "latencymodel.h"
#include "wiretrace.h"

#include <transport.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace emulator {

// The emulated bridge board behind the station's transport seam, in the same
// process: what the station writes reaches the board at once (plus the
// latency model), answers wait in a queue for read().
//
// Safe to use from several threads: the station's GUI and worker threads,
// and a test or control window that plugs, unplugs and injects faults.
//
// The controller scans the panel once per scan interval (10 ms) while the
// board has touches or keys to report. There is no thread: the scans that fell
// due are run whenever the transport is used, stamped with the time they were
// due, and a reader waiting is woken at the next scan. Reports of the board's
// own therefore queue up between answers, in time order, also while nobody
// reads, until 256 input reports wait; further ones are lost, as on a hidraw
// node.
class InProcessTransport : public device::Transport
{
public:
    explicit InProcessTransport(PanelDescription panel = PanelDescription());
    ~InProcessTransport() override;
    InProcessTransport(const InProcessTransport &) = delete;
    InProcessTransport &operator=(const InProcessTransport &) = delete;

    std::vector<device::HidDeviceInfo> enumerate() override;
    bool open(std::uint16_t vendorId, std::uint16_t productId) override;
    void close() override;
    bool isOpen() const override;
    int write(const std::uint8_t *data, std::size_t length) override;
    // A negative time-out is refused with -1: no read here waits forever.
    int read(std::uint8_t *data, std::size_t length, int timeoutMs) override;
    int sendFeatureReport(const std::uint8_t *data, std::size_t length) override;
    int getFeatureReport(std::uint8_t *data, std::size_t length) override;

    // The board comes plugged in. Unplugging fails every read and write of an
    // open handle at once (a reader waiting is woken); plugging in again powers
    // the board up fresh, and an old handle stays dead until opened again.
    void plug();
    void unplug();
    bool isPlugged() const;

    void setLatency(LatencyModel latency);
    LatencyModel latency() const;

    // Wire trace to a file; false when the file cannot be written.
    bool startTrace(const QString &path);
    void stopTrace();

    void setPanel(const PanelDescription &panel);
    void setFaults(const Faults &faults);
    PanelDescription panel() const;

    // What is on the panel: fingers (up to five are reported) and keys held
    // (bit k: key k). Reported from the next scan on while the board forwards.
    void setTouches(const std::vector<Touch> &touches);
    void setKeys(std::uint8_t mask);
    // Time between two scans of the controller.
    void setScanInterval(std::chrono::microseconds interval);

    // Runs f on the board under the transport's lock, for inspection or for
    // reports of the board's own; a reader waiting is woken afterwards. Scans
    // due before f run before it.
    template <typename F>
    auto withBoard(F &&f)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        struct After
        {
            InProcessTransport &t;
            ~After()
            {
                t.scanLocked(Clock::now());
                t.arrived_.notify_all();
            }
        };
        scanLocked(Clock::now());
        After after{*this};
        return f(board_);
    }

    // Input reports waiting to be read, the scans due by now included.
    std::size_t pendingReports();

    // What enumerate() shows for the board.
    device::HidDeviceInfo deviceInfo() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Pending
    {
        Report report;
        Clock::time_point due;
        std::size_t length = kReportSize;
    };

    bool handleAlive() const; // with mutex_ held
    device::HidDeviceInfo deviceInfoLocked() const;
    // Runs the scans due by now; with mutex_ held.
    void scanLocked(Clock::time_point now);

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    WireTrace trace_;
    BridgeBoard board_;
    std::deque<Pending> pending_;
    LatencyModel latency_;
    // The time the board's next report is stamped with; "now" outside scans.
    Clock::time_point origin_{};
    bool inScan_ = false;
    bool scanning_ = false;
    Clock::time_point nextScan_{};
    std::chrono::microseconds scanInterval_{10000};
    bool plugged_ = true;
    bool open_ = false;
    unsigned plugGeneration_ = 0;
    unsigned openGeneration_ = 0;
};

} // namespace emulator

#endif
