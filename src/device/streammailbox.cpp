#include "streammailbox.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <utility>

namespace device {
namespace stream {

namespace {

// A frame is never longer than a raster frame of the largest panel (64 rows
// and the S row) and its companions; a stream that never starts a frame
// cannot hold more than this many records per frame either.
constexpr std::size_t MaxRecordsPerFrame = 128;

bool isStart(const Mail &mail)
{
    return mail.startsFrame;
}

} // namespace

Mailbox::Mailbox(Policy policy, std::size_t limit, Deliver deliver, QObject *parent)
    : QObject(parent)
    , m_policy(policy)
    , m_limit(std::max<std::size_t>(limit, 1))
    , m_deliver(std::move(deliver))
{
    m_later.setSingleShot(true);
    m_later.setTimerType(Qt::PreciseTimer);
    connect(&m_later, &QTimer::timeout, this, &Mailbox::deliverWaiting);
}

Mailbox::~Mailbox() = default;

void Mailbox::post(Mail mail)
{
    if (QThread::currentThread() == thread()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_posted;
            ++m_delivered;
        }
        if (m_deliver)
            m_deliver(mail);
        return;
    }

    bool wakeNow = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_posted;
        if (m_policy == Policy::NewestFrames) {
            if (mail.startsFrame && m_framesWaiting >= m_limit)
                pushOutOldestFrame();
            while (m_waiting.size() >= m_limit * MaxRecordsPerFrame) {
                m_framesWaiting -= m_waiting.front().startsFrame ? 1 : 0;
                m_waiting.pop_front();
                ++m_dropped;
            }
            m_framesWaiting += mail.startsFrame ? 1 : 0;
        }
        m_waiting.push_back(std::move(mail));
        m_mostPending = std::max(m_mostPending, m_waiting.size());
        wakeNow = !m_wakePosted;
        m_wakePosted = true;
    }
    // One wake-up at a time: the window's event queue never holds more than
    // one call per mailbox, whatever the stream's rate.
    if (wakeNow)
        QMetaObject::invokeMethod(this, &Mailbox::wake, Qt::QueuedConnection);
}

void Mailbox::pushOutOldestFrame()
{
    // What waits before the oldest frame's first record is the rest of a frame
    // whose start the window already took: it stays, so that the window gets
    // that frame whole.
    const auto first = std::find_if(m_waiting.begin(), m_waiting.end(), isStart);
    if (first == m_waiting.end())
        return;
    const auto next = std::find_if(first + 1, m_waiting.end(), isStart);
    m_dropped += static_cast<std::uint64_t>(next - first);
    m_waiting.erase(first, next);
    --m_framesWaiting;
    m_behind = true;
}

void Mailbox::keepOnlyNewestFrame()
{
    // The window fell behind: of the frames that wait, the screen could only
    // show the newest. The rest of a frame already begun stays, as above.
    const auto first = std::find_if(m_waiting.begin(), m_waiting.end(), isStart);
    const auto newest = std::find_if(m_waiting.rbegin(), m_waiting.rend(), isStart).base();
    if (first != m_waiting.end() && newest - 1 > first) {
        m_dropped += static_cast<std::uint64_t>((newest - 1) - first);
        m_waiting.erase(first, newest - 1);
    }
    m_behind = false;
}

bool Mailbox::waitForRoom(const StopToken &stop)
{
    if (!stop.canBeRequested())
        return !stop.requested();
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto full = [this] {
        return m_policy == Policy::EveryRecord ? m_waiting.size() >= m_limit : m_behind;
    };
    while (full()) {
        if (stop.requested())
            return false;
        m_room.wait_for(lock, std::chrono::milliseconds(StopSliceMs));
    }
    return !stop.requested();
}

void Mailbox::wake()
{
    const qint64 since = m_sinceDelivery.isValid() ? m_sinceDelivery.elapsed() : DeliveryIntervalMs;
    if (since >= DeliveryIntervalMs)
        deliverWaiting();
    else if (!m_later.isActive())
        m_later.start(static_cast<int>(DeliveryIntervalMs - since));
}

void Mailbox::deliverWaiting()
{
    std::deque<Mail> batch;
    bool more = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_policy == Policy::NewestFrames && m_behind)
            keepOnlyNewestFrame();
        if (m_policy == Policy::NewestFrames || m_waiting.size() <= MaxRecordsPerDelivery) {
            batch.swap(m_waiting);
            m_framesWaiting = 0;
        } else {
            const auto end = m_waiting.begin() + MaxRecordsPerDelivery;
            batch.assign(std::make_move_iterator(m_waiting.begin()), std::make_move_iterator(end));
            m_waiting.erase(m_waiting.begin(), end);
            more = true;
        }
        // With records left over the wake stays posted: the timer below is it.
        m_wakePosted = more;
        m_delivered += batch.size();
    }
    m_room.notify_all();
    m_sinceDelivery.restart();
    if (more)
        m_later.start(DeliveryIntervalMs);
    if (!m_deliver)
        return;
    for (const Mail &mail : batch)
        m_deliver(mail);
}

std::size_t Mailbox::pending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waiting.size();
}

std::size_t Mailbox::mostPending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mostPending;
}

std::uint64_t Mailbox::posted() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_posted;
}

std::uint64_t Mailbox::delivered() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_delivered;
}

std::uint64_t Mailbox::dropped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}

} // namespace stream
} // namespace device
