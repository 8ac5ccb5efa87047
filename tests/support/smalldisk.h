#ifndef SMALLDISK_H
#define SMALLDISK_H

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

// A file system of its own, of a few MB (tmpfs), mounted on a folder: a disk
// that is nearly full, or fills during a test. Root (as CI runs) mounts it
// directly. Anyone else needs a user and mount namespace of the test
// process's own, which the kernel gives only to a process with one thread:
// the test calls enterOwnNamespace() before QApplication starts any (a static
// initializer). mounted() false means the machine allows neither; whyNot()
// says why, for the skip message.
class SmallDisk
{
public:
    SmallDisk(const QString &folder, int megabytes) : m_folder(QDir(folder).absolutePath())
    {
        QDir().mkpath(m_folder);
        const QByteArray options = "size=" + QByteArray::number(megabytes) + "m,mode=0755";
        if (geteuid() != 0) {
            m_why = QStringLiteral("not root, and no user namespace of its own (%1): a small tmpfs cannot be mounted")
                        .arg(namespaceError());
            return;
        }
        if (::mount("kavel-small", QFile::encodeName(m_folder).constData(), "tmpfs", 0, options.constData()) != 0) {
            m_why = QStringLiteral("mount tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_mounted = true;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    QString whyNot() const { return m_why; }
    QString path() const { return m_folder; }

    // Free space in whole MB as an unprivileged writer sees it.
    qint64 freeMb() const
    {
        struct statvfs fs{};
        if (::statvfs(QFile::encodeName(m_folder).constData(), &fs) != 0)
            return -1;
        return qint64(fs.f_bavail) * qint64(fs.f_frsize) / (qint64(1) << 20);
    }

    // Writes a file until the disk takes no more byte.
    bool fill(const QString &name = QStringLiteral("filler")) const
    {
        const int fd = ::open(QFile::encodeName(m_folder + QLatin1Char('/') + name).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        static const QByteArray block(64 * 1024, 'x');
        for (qsizetype chunk = block.size(); chunk > 0; chunk /= 16) {
            while (::write(fd, block.constData(), std::size_t(chunk)) == ssize_t(chunk)) {
            }
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

    // Where the process is not root: a user and mount namespace in which it
    // is, so that it may mount. True when it is root now (or was already).
    static bool enterOwnNamespace()
    {
        const uid_t uid = geteuid();
        const gid_t gid = getegid();
        if (uid == 0)
            return true;
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            namespaceError() = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        const auto write = [](const char *file, const QByteArray &text) {
            QFile f(QString::fromLatin1(file));
            return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
        };
        const bool mapped = write("/proc/self/setgroups", "deny")
                            && write("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1")
                            && write("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1");
        if (!mapped)
            namespaceError() = QStringLiteral("the namespace's user ids could not be mapped");
        return mapped;
    }

private:
    static QString &namespaceError()
    {
        static QString error = QStringLiteral("not tried");
        return error;
    }

    QString m_folder;
    QString m_why;
    bool m_mounted = false;
};

#endif
