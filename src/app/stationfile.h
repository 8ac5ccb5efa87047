#ifndef STATIONFILE_H
#define STATIONFILE_H

#include "stationids.h"

#include <QString>

class QTextStream;

// The station file ./config.txt: five positional lines, each a key of fixed
// length followed by its value. The reader takes line N, drops the key's length
// in characters without looking at them and keeps the rest, so a misspelt key of
// the right length still works and lines in another order feed the wrong values.
namespace station {

struct StationFile
{
    BridgeIds ids;
    // Absolute: the working directory, "/", and the file's relative value.
    QString profilePath;
};

// False when the file cannot be opened; `out` is then left alone.
bool readStationFile(const QString &fileName, const QString &workingDir, StationFile &out);
// The same from the text of an opened file: the five lines from the current
// position on (missing ones read as empty).
void readStationFile(QTextStream &in, const QString &workingDir, StationFile &out);

// Rewrites the file whole (never half-written: a crash mid-write leaves the old
// file). The profile path is written with every "<workingDir>/" removed.
// False when the file cannot be written; it is then left as it was.
bool writeStationFile(const QString &fileName, const QString &workingDir, const StationFile &values);

} // namespace station

#endif
