#include "workerthread.h"

#include "bridgereport.h"

WorkerThread::WorkerThread(QObject *parent)
    : QThread(parent)
{
}

WorkerThread::~WorkerThread()
{
    stopBeforeDestruction();
}

void WorkerThread::stopBeforeDestruction()
{
    requestStop();
    wait();
    m_stop.store(false, std::memory_order_release);
}

void WorkerThread::requestStop()
{
    m_stop.store(true, std::memory_order_release);
}

void WorkerThread::stop()
{
    requestStop();
    device::bridge::awaitEnd(*this);
    // Cleared only once run() is over, so a request made just after start()
    // is never lost, and the next start() begins afresh.
    m_stop.store(false, std::memory_order_release);
}
