#include "inprocesstransport.h"

#include <algorithm>
#include <thread>

namespace emulator {

namespace {
// As many input reports as a hidraw node keeps for a reader that is behind.
constexpr std::size_t kMaxPending = 256;
} // namespace

InProcessTransport::InProcessTransport(PanelDescription panel)
    : board_(std::move(panel))
{
    board_.setTrace(&trace_);
    // Runs inside board_.receive() and board_.tick(), which are only called with mutex_ held.
    board_.setSink([this](const Report &report, std::size_t length) {
        // Reports for a handle nobody holds open are lost, as with a hidraw node.
        if (!handleAlive() || pending_.size() >= kMaxPending)
            return;
        const Clock::time_point sent = inScan_ ? origin_ : Clock::now();
        pending_.push_back({report, sent + latency_.perReport, length});
        arrived_.notify_all();
    });
}

InProcessTransport::~InProcessTransport()
{
    std::lock_guard<std::mutex> lock(mutex_);
    board_.setTrace(nullptr);
    board_.setSink(nullptr);
}

device::HidDeviceInfo InProcessTransport::deviceInfoLocked() const
{
    device::HidDeviceInfo info;
    info.vendorId = board_.panel().vendorId;
    info.productId = board_.panel().productId;
    info.releaseNumber = board_.panel().release;
    info.interfaceNumber = 0;
    info.path = QByteArray("emulator:bridge-board");
    info.product = QStringLiteral("Kavel bridge board (emulated)");
    return info;
}

device::HidDeviceInfo InProcessTransport::deviceInfo() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return deviceInfoLocked();
}

std::vector<device::HidDeviceInfo> InProcessTransport::enumerate()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_)
        return {};
    return {deviceInfoLocked()};
}

bool InProcessTransport::open(std::uint16_t vendorId, std::uint16_t productId)
{
    std::lock_guard<std::mutex> lock(mutex_);
    scanLocked(Clock::now());
    open_ = false;
    pending_.clear();
    arrived_.notify_all();
    if (!plugged_ || vendorId != board_.panel().vendorId || productId != board_.panel().productId)
        return false;
    open_ = true;
    openGeneration_ = plugGeneration_;
    return true;
}

void InProcessTransport::close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    scanLocked(Clock::now());
    open_ = false;
    // Answers nobody read die with the handle, as with a closed hidraw node.
    pending_.clear();
    arrived_.notify_all();
}

bool InProcessTransport::isOpen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

bool InProcessTransport::handleAlive() const
{
    return open_ && plugged_ && openGeneration_ == plugGeneration_;
}

void InProcessTransport::scanLocked(Clock::time_point now)
{
    // The board scans on while no handle is open; what it says then is lost.
    if (!plugged_ || !board_.reportDue()) {
        scanning_ = false;
        return;
    }
    if (!scanning_) {
        scanning_ = true;
        nextScan_ = now;
    }
    // A reader this far behind has lost the rest to the full queue anyway.
    std::size_t budget = kMaxPending + 1;
    while (nextScan_ <= now && board_.reportDue()) {
        if (budget-- == 0) {
            nextScan_ = now + scanInterval_;
            break;
        }
        inScan_ = true;
        origin_ = nextScan_;
        board_.tick();
        inScan_ = false;
        nextScan_ += scanInterval_;
    }
    if (!board_.reportDue())
        scanning_ = false;
}

int InProcessTransport::write(const std::uint8_t *data, std::size_t length)
{
    if (!data || length == 0 || length > kReportSize)
        return -1;
    std::chrono::microseconds busTime;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!handleAlive())
            return -1;
        busTime = latency_.perReport;
    }
    // The request is on the bus for one report time; the lock is not held, so
    // an unplug in the meantime is seen below.
    if (busTime.count() > 0)
        std::this_thread::sleep_for(busTime);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!handleAlive())
        return -1;
    const Clock::time_point now = Clock::now();
    scanLocked(now);
    board_.receive(data, length);
    // A request may switch reports on while a finger is down.
    scanLocked(now);
    return static_cast<int>(length);
}

int InProcessTransport::read(std::uint8_t *data, std::size_t length, int timeoutMs)
{
    if (!data || timeoutMs < 0)
        return -1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (!handleAlive())
            return -1;
        const Clock::time_point now = Clock::now();
        scanLocked(now);
        if (!pending_.empty() && pending_.front().due <= now) {
            const std::size_t n = std::min(length, pending_.front().length);
            std::copy_n(pending_.front().report.begin(), n, data);
            pending_.pop_front();
            return static_cast<int>(n);
        }
        if (now >= deadline)
            return 0;
        Clock::time_point wake = pending_.empty() ? deadline : std::min(deadline, pending_.front().due);
        if (scanning_)
            wake = std::min(wake, nextScan_);
        arrived_.wait_until(lock, wake);
    }
}

int InProcessTransport::sendFeatureReport(const std::uint8_t *data, std::size_t length)
{
    if (!data)
        return -1;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!handleAlive())
        return -1;
    return board_.setFeature(data, length);
}

int InProcessTransport::getFeatureReport(std::uint8_t *data, std::size_t length)
{
    if (!data)
        return -1;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!handleAlive())
        return -1;
    return board_.getFeature(data, length);
}

void InProcessTransport::plug()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (plugged_)
        return;
    plugged_ = true;
    ++plugGeneration_;
    board_.powerOn();
}

void InProcessTransport::unplug()
{
    std::lock_guard<std::mutex> lock(mutex_);
    plugged_ = false;
    pending_.clear();
    arrived_.notify_all();
}

bool InProcessTransport::isPlugged() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return plugged_;
}

void InProcessTransport::setLatency(LatencyModel latency)
{
    std::lock_guard<std::mutex> lock(mutex_);
    latency_ = latency;
}

LatencyModel InProcessTransport::latency() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return latency_;
}

bool InProcessTransport::startTrace(const QString &path)
{
    return trace_.open(path);
}

void InProcessTransport::stopTrace()
{
    trace_.close();
}

void InProcessTransport::setPanel(const PanelDescription &panel)
{
    std::lock_guard<std::mutex> lock(mutex_);
    board_.setPanel(panel);
    pending_.clear();
}

void InProcessTransport::setFaults(const Faults &faults)
{
    std::lock_guard<std::mutex> lock(mutex_);
    board_.setFaults(faults);
}

PanelDescription InProcessTransport::panel() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return board_.panel();
}

std::size_t InProcessTransport::pendingReports()
{
    std::lock_guard<std::mutex> lock(mutex_);
    scanLocked(Clock::now());
    return pending_.size();
}

void InProcessTransport::setTouches(const std::vector<Touch> &touches)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    scanLocked(now);
    board_.setTouches(touches);
    scanLocked(now);
    arrived_.notify_all();
}

void InProcessTransport::setKeys(std::uint8_t mask)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    scanLocked(now);
    board_.setKeys(mask);
    scanLocked(now);
    arrived_.notify_all();
}

void InProcessTransport::setScanInterval(std::chrono::microseconds interval)
{
    std::lock_guard<std::mutex> lock(mutex_);
    scanLocked(Clock::now());
    scanInterval_ = std::max(interval, std::chrono::microseconds(100));
}

} // namespace emulator
