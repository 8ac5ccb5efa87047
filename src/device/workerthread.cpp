#include "workerthread.h"

WorkerThread::WorkerThread(QObject *parent)
    : QThread(parent)
{
}

WorkerThread::~WorkerThread()
{
    stop();
}

void WorkerThread::requestStop()
{
    m_stop.store(true, std::memory_order_release);
}

void WorkerThread::stop()
{
    requestStop();
    wait();
    // Cleared only once run() is over, so a request made just after start()
    // is never lost, and the next start() begins afresh.
    m_stop.store(false, std::memory_order_release);
}
