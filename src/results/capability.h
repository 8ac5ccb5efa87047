#ifndef CAPABILITY_H
#define CAPABILITY_H

#include "runqueries.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

// Process capability of the measurements (measurements.h), as the tool and
// the statistics window ask it of either engine.
namespace results::queries {

// d2 for moving ranges of two: sigma within = mean moving range / d2.
constexpr double D2 = 1.128;

struct HistogramBin
{
    double from = 0; // inclusive
    double to = 0;   // exclusive; the last bin holds its upper edge too
    qint64 count = 0;
};

// One measurement under one set of limits (a version of its limits) in the
// runs asked for. Where the limits changed inside the range, a measurement
// has one of these per version, oldest first.
struct Capability
{
    QString item;
    QString name;
    bool limitsKnown = false;
    std::optional<double> lower;
    std::optional<double> upper;
    int version = 1;  // 1 .. versions, by the first run judged under them
    int versions = 1; // the measurement's versions in the range
    qint64 count = 0;
    double mean = 0;
    double min = 0;
    double max = 0;
    qint64 firstAt = 0; // the first and last run's start (ms since the epoch)
    qint64 lastAt = 0;
    // Outside the limits: below the lower one, above the upper one (for the
    // current, at it too: it passes only below).
    qint64 below = 0;
    qint64 above = 0;
    // Within: the mean moving range of consecutive runs of each station and
    // profile (the two under these limits, both among the runs asked for) /
    // d2; the first run of each station and profile in the range has none.
    // Consecutive: on the station, of the runs that have the item; on the
    // line's server, of the runs that have any measurement (it chains them
    // as they arrive). The two differ only where a run measured some items
    // but not this one (one that stopped early) lies between two that did. Overall:
    // the sample standard deviation. None where there is no moving range or
    // fewer than two values.
    qint64 ranges = 0;
    std::optional<double> meanRange;
    std::optional<double> sigmaWithin;
    std::optional<double> sigmaOverall;
    // Against the limits there are: Cp and Pp with both, Cpu / Ppu with an
    // upper one, Cpl / Ppl with a lower one; Cpk and Ppk the least of the
    // sides there are. None where sigma is none or 0.
    std::optional<double> cp, cpu, cpl, cpk;
    std::optional<double> pp, ppu, ppl, ppk;
    std::vector<HistogramBin> histogram;
};

// The capability of item's measurements (of measurement alone, when given) in
// the runs of filter, engineering runs left out or alone as the filter says,
// in the order of the measurements and their versions. Filters by barcode,
// LOT or worker are answered through the runs; time, station and profile from
// the measurements alone.
bool capability(const QSqlDatabase &db, const QString &item, const RunFilter &filter, std::vector<Capability> &rows,
                 QString *error, const QString &measurement = QString());

// The indices and the histogram from a version's values and counts (each
// distinct value once) and its moving ranges; what capability() does with
// the store's answer.
void computeCapability(Capability &c, const std::vector<std::pair<double, qint64>> &values, double rangeSum,
                       qint64 ranges);

// Bins of a round width (1, 2 or 5 times a power of ten, whole numbers for
// whole-number values) over the values, about Sturges' number of them.
std::vector<HistogramBin> histogram(const std::vector<std::pair<double, qint64>> &values);

} // namespace results::queries

#endif
