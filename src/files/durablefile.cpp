#include "durablefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace files {

#ifdef Q_OS_UNIX

namespace {

bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, std::size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A file with no name in folder, for writing; -1 where the file system has
// no such files.
int unnamedFile(const QByteArray &folder)
{
#ifdef O_TMPFILE
    return ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
#else
    Q_UNUSED(folder);
    errno = EOPNOTSUPP;
    return -1;
#endif
}

} // namespace

bool syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool durableCopy(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return false;
    source.close();

    const QByteArray target = QFile::encodeName(QFileInfo(to).absoluteFilePath());
    const QByteArray folder = QFile::encodeName(QFileInfo(to).absolutePath());
    int fd = unnamedFile(folder);
    if (fd >= 0) {
        // Written and synced without a name, then linked in: the name never
        // shows a part of the file, and an existing name is never replaced.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        const bool placed =
            writeAll(fd, data) && ::fsync(fd) == 0
            && ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) == 0;
        const int why = errno;
        ::close(fd);
        fd = -1;
        if (placed)
            return syncFolderOf(to);
        // Taken: never replaced. Anything else (no /proc to link through, a
        // file system that refuses the link) tries the named way.
        if (why == EEXIST)
            return false;
    }
    // A temporary name beside it, linked to the real one (which fails on an
    // existing name) and then removed. Made with the mode an unnamed file
    // gets (0644 less the umask), which a mkstemp file (0600) would not have.
    QByteArray temporary;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temporary = folder + "/.kavel-copy-" + QByteArray::number(::getpid()) + '-'
                    + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    const bool placed =
        writeAll(fd, data) && ::fsync(fd) == 0 && ::link(temporary.constData(), target.constData()) == 0;
    ::close(fd);
    ::unlink(temporary.constData());
    return placed && syncFolderOf(to);
}

#else

bool syncFolderOf(const QString &)
{
    // Elsewhere the file system's own rename is trusted.
    return true;
}

bool durableCopy(const QString &from, const QString &to)
{
    return QFile::copy(from, to);
}

#endif

} // namespace files
