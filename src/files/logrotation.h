#ifndef LOGROTATION_H
#define LOGROTATION_H

#include <QString>

// Logs that grow for as long as a station runs, kept to a bounded size: at
// its limit, path becomes path.1, path.1 becomes path.2 and so on up to
// path.<kept>; the oldest part is dropped. At most (kept + 1) x limit bytes,
// plus the one append that crossed the limit.
namespace files {

// Turns path into path.1 (and shifts the older parts); true when path is gone
// from its name afterwards.
bool rotate(const QString &path, int kept);

// Rotates when path holds limit bytes or more; true when it did.
bool rotateWhenFull(const QString &path, qint64 limit, int kept);

// Removes path and its parts path.1 .. path.<kept>.
void removeWithParts(const QString &path, int kept);

} // namespace files

#endif
