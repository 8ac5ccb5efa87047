#ifndef STATIONVERSION_H
#define STATIONVERSION_H

#include <QString>

// This station software's version as the build knows it: the project's
// version and the commit it was built from, "3.1+g1a2b3c4d" (".dirty" after
// it when the tree held changes), or the version alone where the source was
// no git checkout and the packager named no commit. Kept with every run.
QString stationVersion();

#endif
