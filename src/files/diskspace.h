#ifndef DISKSPACE_H
#define DISKSPACE_H

#include <QString>
#include <QStringList>

#include <optional>

// How much room the disks a run writes to have left. A run that cannot be
// filed is worse than a run that is not started: the operator sees a panel
// measured and then learns nothing of it, and the disk under the working
// folder holds the station's store and settings too.
namespace files {

constexpr qint64 MegaByte = qint64(1) << 20;

// The levels, in MB (2^20 bytes, as df -m counts), a station's line.ini may
// set in its [station] section (disk_warning_mb, disk_floor_mb).
//
// What one run writes, at most: the working file, its filed copy and its
// copy in ./log for baseline collection, each about 22 KB for a 40 x 30 panel
// and about 120 KB for the largest (79 x 79: both rasters, each with its
// differences to the baseline); about 5 KB of results.db per 40 x 30 run; and
// the store's write-ahead log, which may grow by up to 4 MB before SQLite
// folds it back. So a run
// needs under 5 MB where everything is on one disk. The floor keeps ten
// times that, because the system beside the station writes too and a disk
// that is really full fails in ways nobody tests (settings not saved, the
// store refusing).
//
// A 40 x 30 panel every 15 s for 20 hours a day adds about 130 MB a day (CSV
// file plus results.db); the warning shows two weeks ahead of the floor.
struct DiskLevels
{
    qint64 warningMb = 2048; // the status line shows the free space below this
    qint64 floorMb = 50;     // no run starts below this
};

// The [station] section of the settings file; a missing, negative or
// non-numeric value keeps its default.
DiskLevels readDiskLevels(const QString &settingsFile = QStringLiteral("./line.ini"));

// Bytes an unprivileged writer may still put on the file system that holds
// path (the blocks reserved for root are not counted). Nothing when path
// does not exist or the file system cannot be asked.
std::optional<qint64> availableBytes(const QString &path);

struct DiskRoom
{
    qint64 freeBytes = -1; // the least free space of the folders asked; -1 if none could be
    QString folder;        // the folder that has it
    bool belowWarning = false;
    bool belowFloor = false;

    // Whole MB, rounded down: never more than there is.
    qint64 freeMb() const { return freeBytes < 0 ? -1 : freeBytes / MegaByte; }
};

// The least room among folders, judged against the levels. Folders that do
// not exist are left out (a run makes none of them but on the working
// folder's disk); when none can be asked, nothing is below anything.
DiskRoom diskRoom(const QStringList &folders, const DiskLevels &levels);

} // namespace files

#endif
