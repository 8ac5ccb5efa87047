#ifndef SINGLEINSTANCE_H
#define SINGLEINSTANCE_H

#include <QSharedMemory>
#include <QSystemSemaphore>

// Keeps a second station process off the machine: the first one owns a
// one-byte shared memory segment for as long as it lives.
class SingleInstanceGuard
{
public:
    SingleInstanceGuard();

    // True when this process may run. The check-and-create is atomic between
    // station processes (the system semaphore).
    bool acquire();

private:
    QSystemSemaphore m_semaphore;
    QSharedMemory m_memory;
};

#endif
