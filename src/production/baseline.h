#ifndef BASELINE_H
#define BASELINE_H

#include <QByteArray>
#include <QString>

#include <vector>

class QTextStream;
class QWidget;
class Settings;

namespace production {

// What a good panel reads, subtracted before judging: the open/short lines
// (XN-1 X values, YN-1 Y values) and the raster (rows 0..YN for the X raster,
// YN+1..2*YN+1 for the Y raster, XN+1 cells each). Kept from one run's load
// until the next, and refreshed when a new baseline is generated.
struct Baseline
{
    std::vector<float> x;
    std::vector<float> y;
    std::vector<std::vector<float>> raster;
    // The bytes of the baseline file the tables were read from; empty when
    // none was read (collection mode, or tables reset since).
    QByteArray fileText;

    // The most electrodes a side can have: the panel's information page holds
    // the counts in one byte.
    static constexpr int MaxElectrodes = 255;

    // Every table zeroed to the panel's size. A count above MaxElectrodes
    // (a damaged profile) leaves every table empty rather than sized by it.
    void reset(int xn, int yn);
};

// Whether a panel of xn by yn electrodes can have a baseline at all.
bool baselineSizeFits(int xn, int yn);

// Loads ./log/baseline.csv for a panel of xn by yn electrodes (step 9 of a
// run). In baseline collection (`baseline0` "1") nothing is read, the tables
// stay zero and ./log is thinned out past 50 files. False, with the box the
// operator sees, when the file is missing or does not fit the panel.
bool loadBaseline(const Settings &store, int xn, int yn, Baseline &baseline, QWidget *boxParent,
                  const QString &logFolder = QStringLiteral("./log"));

// The reading of baseline.csv's text, without the boxes: the tables reset to
// the panel's size, then filled from the text. False when the open/short lines
// do not hold as many values as the panel has (the file is of another panel) or
// the size is beyond any panel; raster rows take what they hold, never more.
bool readBaseline(QTextStream &in, int xn, int yn, Baseline &baseline);

} // namespace production

#endif
