#ifndef STOPTOKEN_H
#define STOPTOKEN_H

#include <atomic>

namespace device {

// A worker's stop request as the stream and download operations see it. They
// look at it between bridge transactions and during their fixed waits, also
// the wait between a request and its answer; the answer is read all the same,
// so a stopped stream leaves nothing pending on the wire. A default token is
// never set: the GUI thread calls the same operations without one.
class StopToken
{
public:
    StopToken() = default;
    explicit StopToken(const std::atomic<bool> *flag)
        : m_flag(flag)
    {
    }

    bool requested() const { return m_flag && m_flag->load(std::memory_order_acquire); }
    // False for a default token: nobody can ask it to stop.
    bool canBeRequested() const { return m_flag != nullptr; }

private:
    const std::atomic<bool> *m_flag = nullptr;
};

// How long a wait that a stop may end sleeps at a time: long enough not to
// busy-wait, short against the stop latency the window sees.
constexpr int StopSliceMs = 5;

// Sleeps ms milliseconds in short slices; false as soon as a stop is
// requested, so that a fixed wait never holds up a stop for long. The slices
// run to one deadline, so an uninterrupted pause is as long as one sleep of
// ms; with a token that can never be set it is that one sleep.
bool pauseUnlessStopped(int ms, const StopToken &stop);

} // namespace device

#endif
