#ifndef MEASUREMENTS_H
#define MEASUREMENTS_H

#include "resultreader.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// A run's measurements with the limits the run was judged against: what the
// capability of a measurement is computed from. The values are the file's,
// the limits are read from the profile's text exactly as the station reads
// its profile when it judges (the same keys, conversions and defaults).
namespace results {

// The items as the result file names them.
namespace item {
inline constexpr char Electric[] = "Electric";
inline constexpr char Tb[] = "Tb_Value";
inline constexpr char OpenShort[] = "OpenShort";
inline constexpr char RasterX[] = "RasterX";
inline constexpr char RasterY[] = "RasterY";
inline constexpr char Buttons[] = "BtnData";
} // namespace item

struct Measurement
{
    const char *item = item::Electric;
    // Which of the item's values: "current"; "highest" (TB); "X[3]", "Y[0]"
    // (an open/short line's value, numbered as its failure list numbers it);
    // "middle max", "middle min", "edge max", "edge min" (a raster's
    // deviations); "Btn[0]" (a key).
    QString name() const;
    // The name as measurementKey() numbers it (a run of a panel has about 70
    // values: made and kept as numbers, written as names where they leave).
    int key = -1;
    double value = 0;
    // A side without a limit has none; both are none where the limits are not
    // known (limitsKnown false: the run's profile is not known).
    std::optional<double> lower;
    std::optional<double> upper;
    bool limitsKnown = false;
};

// The measurements of a result file:
// - Electric "current": the middle of the three readings (what the item
//   judges), below Electric_thr (the upper limit; the limit itself fails).
// - Tb_Value "highest": the highest accepted reading, at least Tb_value_thr
//   (the item fails only when every reading is below it). A 2048 ("not
//   ready") that never settled is no reading.
// - OpenShort "X[i]", "Y[i]": each value's difference to the baseline,
//   truncated toward zero, within its electrode's window of RowSetData. A
//   value past the windows the text gives has no known window.
// - RasterX / RasterY: the highest and the lowest difference to the baseline
//   (truncated toward zero) of the middle cells, against M1_thr_max and
//   M1_thr_min, and of the edge cells, against Raster<X|Y>_edge_max and _min
//   (the band Raster<X|Y>_edge_count wide). Each direction is judged against
//   the limit it can cross: the worst of both directions together would give
//   a distribution of two humps and no meaningful capability. Without the
//   profile the band is not known: no raster measurement.
// - BtnData "Btn[k]": each key's value within Btn_Min and Btn_Max.
// profileText empty: the values with unknown limits.
std::vector<Measurement> measurements(const ResultRecord &record, const QByteArray &profileText);

// The unit an item's values are in ("mA" for the current; the panel's raw
// counts, "" for the others).
QString measurementUnit(const QString &item);

// The current passes only below its limit, so a value at it is outside; every
// other limit passes the values at it.
bool upperLimitExcluded(const QString &item);

// The items with measurements, in the order a run takes them.
const std::vector<const char *> &measuredItems();
// The item's constant among measuredItems(); null for another text.
const char *measuredItem(const QString &item);

// A measurement's name as a number that sorts as a file gives the names
// (X[2] before X[10]): its kind (what precedes an index, or the whole name)
// times 65536 plus its index. -1 for a name no item gives.
int measurementKey(const QString &name);
QString measurementName(int key);

// The station's store keeps a run's measurements of one item as one value:
// the names by their keys, the values as whole numbers where they are (a
// varint each), else as floats or doubles where those hold them exactly.
// A few hundred bytes for the 70 measurements of a 40 x 30 panel, where a row
// per measurement took about 14 KB. The limits are not in it: they belong to
// the profile's version (measurement_limits).
QByteArray packMeasurements(const Measurement *from, const Measurement *to);
struct PackedValue
{
    int key = 0;
    double value = 0;
};
// Back from packMeasurements(), in its order; false for bytes it did not make.
bool unpackMeasurements(const char *data, std::size_t size, std::vector<PackedValue> &values);

} // namespace results

#endif
