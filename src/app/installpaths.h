#ifndef INSTALLPATHS_H
#define INSTALLPATHS_H

#include <QString>

// Where the station finds the files supplied beside it: the style sheet and the
// compiled translations. The working folder comes first, as on the line's
// stations, where each station folder carries its own; an installed station
// falls back to its data folder (<prefix>/share/kavel-station), which it finds
// relative to its own executable, so a staged or moved installation works too.
// A station run from the build tree has no such folder and sees only its
// working folder.
namespace installpaths {

// The data folder of a station whose executable lies in `applicationDir`, or an
// empty string when there is none.
QString dataDir(const QString &applicationDir);

// `name` in `workingDir` when it is a file there; else `installedSubdir/name` in
// the data folder when it is a file there; else the working folder's path, so a
// caller opening it fails just as it did before.
QString locate(const QString &name, const QString &installedSubdir, const QString &workingDir,
               const QString &applicationDir);

// The style sheet ("css.qss") and a translation file ("vorlane_zh.qm") for the
// running process: its current folder, then the data folder beside its executable.
QString styleSheet();
QString translation(const QString &qmFile);

} // namespace installpaths

#endif
