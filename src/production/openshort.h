#ifndef OPENSHORT_H
#define OPENSHORT_H

#include <QString>

#include <array>
#include <functional>
#include <vector>

// The open/short item: the panel's X line (one value per pair of neighbouring
// X electrodes) and Y line, judged against the per-electrode windows after the
// baseline is taken off, and the electrode pairs that look broken or bridged.
// Plain functions from values to texts, so that every rule can be checked
// without a panel; the reads are in paneltests.h.
namespace production {

struct Baseline;
struct RowLimits;

// Truncates toward zero; differences that leave the int range saturate, so a
// wild baseline value cannot turn into undefined behaviour.
int truncatedDifference(float value, float baseline);

// Judges one line ('X' or 'Y'): value i minus baseline i, truncated toward
// zero, must lie within [min[i], max[i]] (limits included). Each value outside
// adds "X[i]=value ," to failures. The profile holds windows for 60 values; a
// value past them has no window it could pass and fails. A missing baseline
// entry counts as 0. True when every value passed.
bool judgeElectrodeLine(QChar letter, const std::vector<int> &values, const std::vector<float> &baseline,
                        const int *min, const int *max, int windows, QString &failures);

// Pairs that look open: a neighbour above the M0 band beside one below it,
// numbered from 1: "Xopen:,X1:X2\n". Pairs that look shorted: a value inside
// the band between one above and one below it: "Xshort:,X3:X5\n" for the
// value at index 3. The band's limits themselves count as neither.
QString openList(QChar letter, const std::vector<int> &values, int m0Min, int m0Max);
QString shortList(QChar letter, const std::vector<int> &values, int m0Min, int m0Max);

// "X," + every value followed by ",".
QString lineText(QChar letter, const std::vector<int> &values);

// "DJitter:\nX,d0,d1...\nY,...\n": each value's difference to the baseline.
QString debugJitterText(const std::vector<int> &x, const std::vector<int> &y, const Baseline &baseline);

// One round: read (false when either line could not be read), judged, and
// the text the block carries after its header.
struct OpenShortRound
{
    bool read = false;
    bool pass = false;
    QString failures;          // "X[i]=v ,Y[j]=w ,"
    QString data;              // the lines, the lists when failed, the jitter
    std::vector<int> x, y;     // the raw values as read
};

// Judges the two lines as read.
OpenShortRound judgeOpenShort(const std::vector<int> &x, const std::vector<int> &y, const Baseline &baseline,
                              const RowLimits &limits, int m0Min, int m0Max);

// The item over its rounds. Exactly one block is kept: that of the first
// round that failed after being read, or that of the last round when none
// before it did. A round that could not be read fails the item but writes
// nothing. The block is "OpenShort:,<R>,<failures>\n" + the round's data.
struct OpenShortOutcome
{
    bool pass = true;
    QString block;  // empty when no round produced one
    int rounds = 0; // rounds run
};
constexpr int OpenShortRounds = 3;
OpenShortOutcome openShortItem(const std::function<OpenShortRound()> &round, int rounds = OpenShortRounds);

} // namespace production

#endif
