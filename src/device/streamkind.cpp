#include "streamkind.h"
#include "stoptoken.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace device {

namespace {

std::atomic<int> &kindValue()
{
    static std::atomic<int> value{0};
    return value;
}

} // namespace

namespace stream {

int debugDataKind()
{
    return kindValue().load();
}

void setDebugDataKind(int k)
{
    kindValue().store(k);
}

} // namespace stream

bool pauseUnlessStopped(int ms, const StopToken &stop)
{
    if (ms <= 0 || !stop.canBeRequested()) {
        if (ms > 0)
            QThread::msleep(static_cast<unsigned long>(ms));
        return !stop.requested();
    }
    // Every slice oversleeps a little; summed over a 500 ms wait that would
    // lengthen the controller's settling time for nothing.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (stop.requested())
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return !stop.requested();
        const auto slice = std::min<std::chrono::microseconds>(left, std::chrono::milliseconds(StopSliceMs));
        QThread::usleep(static_cast<unsigned long>(slice.count()));
    }
}

} // namespace device
