#include "streamkind.h"
#include "stoptoken.h"

#include <QThread>

#include <algorithm>
#include <atomic>

namespace device {

namespace {

std::atomic<int> &kindValue()
{
    static std::atomic<int> value{0};
    return value;
}

// Long enough not to busy-wait, short against the stop latency the window sees.
constexpr int PauseSliceMs = 5;

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
    while (ms > 0) {
        if (stop.requested())
            return false;
        const int slice = std::min(ms, PauseSliceMs);
        QThread::msleep(static_cast<unsigned long>(slice));
        ms -= slice;
    }
    return !stop.requested();
}

} // namespace device
