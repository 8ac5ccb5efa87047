#ifndef WORKERTHREAD_H
#define WORKERTHREAD_H

#include "stoptoken.h"

#include <QThread>

#include <atomic>

// What the three stream threads share: a stop request that their run loops
// honour between bridge transactions. A thread is never terminated: cut off
// between a request and its answer it would leave the board's answer pending
// for the next command, and killed inside a lock it would leave the lock held.
class WorkerThread : public QThread
{
public:
    // Stops a running thread first.
    ~WorkerThread() override;

    // Asks the loop to end after the transaction in progress; returns at once.
    void requestStop();
    // requestStop(), then waits for run() to end. The longest wait is one
    // answer time-out of the board (bridge::AnswerTimeoutMs), and only for a
    // board that stopped answering; on the GUI thread the window goes on
    // meanwhile (bridge::awaitEnd()). Afterwards the thread can be started again.
    // Stopping a thread that is not running does nothing.
    void stop();

    bool stopRequested() const { return m_stop.load(std::memory_order_acquire); }

protected:
    explicit WorkerThread(QObject *parent);
    // stop() for a destructor: the plain wait, nothing else may run while an
    // object is taken apart.
    void stopBeforeDestruction();
    device::StopToken stopToken() const { return device::StopToken(&m_stop); }

private:
    std::atomic<bool> m_stop{false};
};

#endif
