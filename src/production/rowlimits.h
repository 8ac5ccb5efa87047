#ifndef ROWLIMITS_H
#define ROWLIMITS_H

#include <QByteArray>

#include <array>

// The per-electrode M0 limits the run checks every X and Y electrode against,
// from the profile's RowSetData: "xmin,.../xmax,.../ymin,.../ymax,...".
namespace production {

struct RowLimits
{
    static constexpr int Channels = 60;
    std::array<int, Channels> xMin{};
    std::array<int, Channels> xMax{};
    std::array<int, Channels> yMin{};
    std::array<int, Channels> yMax{};
};

// Reads RowSetData over the limits the run holds. Unless the text has exactly
// four parts, nothing changes and the answer is false: the run must not start.
// Field j of a part becomes channel j; a field that is not a decimal integer
// (an empty one too) gives 0; channels the text does not reach keep their
// values, and fields past the 60th are ignored.
bool readRowLimits(const QByteArray &rowSetData, RowLimits &limits);

} // namespace production

#endif
