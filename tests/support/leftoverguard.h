#ifndef LEFTOVERGUARD_H
#define LEFTOVERGUARD_H

#include <QByteArray>
#include <QSharedMemory>
#include <QString>

// A station killed by a test leaves its single-instance segment behind (the
// next start clears it, but the test's temporary folder is gone by then).
// Removes it as the next start would, for the station that ran with this TMPDIR.
inline void removeLeftoverGuard(const QString &tmpDir)
{
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmpDir.toLocal8Bit());
    {
        QSharedMemory leftover(QStringLiteral("SystemObject"));
        if (leftover.attach())
            leftover.detach();
    }
    if (oldTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
}

#endif
