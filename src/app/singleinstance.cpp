#include "singleinstance.h"

namespace {
const char kSemaphoreKey[] = "RUVKey";
const char kMemoryKey[] = "SystemObject";
} // namespace

SingleInstanceGuard::SingleInstanceGuard()
    : m_semaphore(QString::fromLatin1(kSemaphoreKey), 1, QSystemSemaphore::Open),
      m_memory(QString::fromLatin1(kMemoryKey))
{
}

bool SingleInstanceGuard::acquire()
{
    m_semaphore.acquire();
    bool created = m_memory.create(1, QSharedMemory::ReadWrite);
    if (!created && m_memory.error() == QSharedMemory::AlreadyExists) {
        // On Unix a segment outlives a station that crashed or was killed (and a
        // new key file can even land on the old one's key). Attaching and
        // detaching again removes it when nobody else is attached, so a dead
        // station cannot lock the next one out; a living one stays attached.
        QSharedMemory stale(QString::fromLatin1(kMemoryKey));
        if (stale.attach())
            stale.detach();
        created = m_memory.create(1, QSharedMemory::ReadWrite);
    }
    m_semaphore.release();
    return created;
}
