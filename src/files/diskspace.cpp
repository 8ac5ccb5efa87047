#include "diskspace.h"

#include <QFile>
#include <QSettings>

#ifdef Q_OS_UNIX
#include <sys/statvfs.h>
#else
#include <QStorageInfo>
#endif

namespace files {

namespace {

qint64 levelOr(const QSettings &file, const QString &key, qint64 fallback)
{
    bool ok = false;
    const qint64 value = file.value(key).toString().trimmed().toLongLong(&ok);
    return ok && value >= 0 ? value : fallback;
}

} // namespace

DiskLevels readDiskLevels(const QString &settingsFile)
{
    const QSettings file(settingsFile, QSettings::IniFormat);
    DiskLevels levels;
    levels.warningMb = levelOr(file, QStringLiteral("station/disk_warning_mb"), levels.warningMb);
    levels.floorMb = levelOr(file, QStringLiteral("station/disk_floor_mb"), levels.floorMb);
    return levels;
}

std::optional<qint64> availableBytes(const QString &path)
{
#ifdef Q_OS_UNIX
    struct statvfs fs{};
    if (::statvfs(QFile::encodeName(path).constData(), &fs) != 0)
        return std::nullopt;
    return qint64(fs.f_bavail) * qint64(fs.f_frsize);
#else
    const QStorageInfo storage(path);
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    return storage.bytesAvailable();
#endif
}

DiskRoom diskRoom(const QStringList &folders, const DiskLevels &levels)
{
    DiskRoom room;
    for (const QString &folder : folders) {
        const std::optional<qint64> bytes = availableBytes(folder);
        if (bytes && (room.freeBytes < 0 || *bytes < room.freeBytes)) {
            room.freeBytes = *bytes;
            room.folder = folder;
        }
    }
    if (room.freeBytes >= 0) {
        room.belowFloor = room.freeBytes < levels.floorMb * MegaByte;
        room.belowWarning = room.belowFloor || room.freeBytes < levels.warningMb * MegaByte;
    }
    return room;
}

} // namespace files
