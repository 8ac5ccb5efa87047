#ifndef DURABLEFILE_H
#define DURABLEFILE_H

#include <QString>

// Files that must survive a power cut at any instant. A new name is durable
// only once its folder has reached the disk, so every place that puts a file
// under a name, or replaces one, syncs the folder afterwards, and nothing is
// deleted that the new file came from before that.
namespace files {

// Copies from to to, never replacing: false when to exists or anything fails
// (and then to does not exist). The copy's data reaches the disk before it
// appears under its name, and its folder is synced after.
bool durableCopy(const QString &from, const QString &to);

// Syncs the folder that holds path (after a rename or a new name in it).
bool syncFolderOf(const QString &path);

} // namespace files

#endif
