#ifndef STREAMMAILBOX_H
#define STREAMMAILBOX_H

#include "stoptoken.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace device {
namespace stream {

// One record on its way from a stream thread to the window: which of the
// window's inputs takes it, the row number of a raster row, its text, and
// whether it is the first record of a frame (a debug X record, raster row 0,
// a button record).
struct Mail
{
    int channel = 0;
    int row = 0;
    QString text;
    bool startsFrame = true;
};

// The one place where records wait between a stream thread and the window,
// bounded whatever the stream's rate. A stream thread posts; the mailbox's
// own (the window's) thread takes everything waiting at once, at most once
// per DeliveryIntervalMs, so that what the records change is redrawn at most
// at the screen's rate, however fast they come.
//
// Two policies:
// - NewestFrames, for views of the newest frame: at most `limit` frames wait
//   (besides the rest of a frame the window has begun to take); a new frame
//   pushes the oldest waiting one out whole, so the window only ever gets
//   whole frames. Once a frame was pushed out the window is behind the
//   stream, and the next delivery hands over the newest frame alone: the
//   screen could not show the others. When the window keeps up, no frame is
//   ever pushed out and every frame is delivered.
// - EveryRecord, for records a test consumes: none is ever dropped; at most
//   `limit` wait, because the stream thread calls waitForRoom() before it
//   reads the next report from the board, and so the reports wait in the
//   board's own buffer meanwhile. The window takes them in order, at most
//   MaxRecordsPerDelivery at a time.
//
// A record posted on the mailbox's own thread (a command the window runs
// itself) is delivered at once, as a direct signal would be.
class Mailbox : public QObject
{
    Q_OBJECT

public:
    enum class Policy { NewestFrames, EveryRecord };
    using Deliver = std::function<void(const Mail &)>;

    static constexpr int DeliveryIntervalMs = 16;
    // What one delivery of an EveryRecord mailbox hands over at most, so that
    // the window's work per delivery stays short however full the mailbox is.
    static constexpr std::size_t MaxRecordsPerDelivery = 64;

    Mailbox(Policy policy, std::size_t limit, Deliver deliver, QObject *parent = nullptr);
    ~Mailbox() override;

    // Any thread.
    void post(Mail mail);
    // The stream thread, before it reads the next report or frame from the
    // board. EveryRecord: waits until fewer than `limit` records wait for the
    // window. NewestFrames: while the window is behind (a frame was pushed out
    // since its last delivery) waits for that delivery, so that a stream
    // faster than the window does not read frames only to push them out.
    // False as soon as a stop is requested. Never waits for a token that
    // cannot be requested: nobody could end the wait.
    bool waitForRoom(const StopToken &stop);

    std::size_t limit() const { return m_limit; }
    // Records waiting now, and the most that ever waited at once.
    std::size_t pending() const;
    std::size_t mostPending() const;
    // Counts since construction: posted, handed to the window, pushed out.
    std::uint64_t posted() const;
    std::uint64_t delivered() const;
    std::uint64_t dropped() const;

private:
    void wake();
    void deliverWaiting();
    // With m_mutex held.
    void pushOutOldestFrame();
    void keepOnlyNewestFrame();

    const Policy m_policy;
    const std::size_t m_limit;
    const Deliver m_deliver;

    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    std::deque<Mail> m_waiting;
    std::size_t m_framesWaiting = 0;
    std::size_t m_mostPending = 0;
    bool m_wakePosted = false;
    // A frame was pushed out since the last delivery.
    bool m_behind = false;
    std::uint64_t m_posted = 0;
    std::uint64_t m_delivered = 0;
    std::uint64_t m_dropped = 0;

    // The window's thread only.
    QTimer m_later;
    QElapsedTimer m_sinceDelivery;
};

} // namespace stream
} // namespace device

#endif
