#ifndef STOPTOKEN_H
#define STOPTOKEN_H

#include <atomic>

namespace device {

// A worker's stop request as the stream and download operations see it. They
// look at it only between bridge transactions, never between a request and
// its answer, so a stopped stream leaves nothing pending on the wire. A
// default token is never set: the GUI thread calls the same operations without
// one.
class StopToken
{
public:
    StopToken() = default;
    explicit StopToken(const std::atomic<bool> *flag)
        : m_flag(flag)
    {
    }

    bool requested() const { return m_flag && m_flag->load(std::memory_order_acquire); }

private:
    const std::atomic<bool> *m_flag = nullptr;
};

// Sleeps ms milliseconds in short slices; false as soon as a stop is
// requested, so that a fixed wait never holds up a stop for long. Only for
// waits that sit between transactions.
bool pauseUnlessStopped(int ms, const StopToken &stop);

} // namespace device

#endif
