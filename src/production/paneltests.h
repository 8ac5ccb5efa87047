#ifndef PANELTESTS_H
#define PANELTESTS_H

#include "openshort.h"
#include "planeness.h"

#include <QString>

#include <functional>
#include <vector>

class Settings;

namespace production {

struct Baseline;
struct RowLimits;

// The open/short and planeness items of one run, read from the panel through
// the bridge. The window holds one, calls begin() at the start of every run
// (after the limits and the baseline are loaded), then, with the panel in the
// matching mode, the items. The run keeps the verdict, the result file and the
// message pane; these only read, judge and hand back text.
//
// Every read waits for its answer at most the bridge's time-out; a board that
// stops answering fails the item instead of holding the line.
class PanelTests
{
public:
    // xn, yn: the run's electrode counts; registerMapSelector: the profile's
    // CF48 as the command layer holds it. baseline and limits are the window's
    // and must outlive the run; they are read, never changed.
    void begin(const Settings &store, int xn, int yn, int registerMapSelector, const Baseline &baseline,
               const RowLimits &limits);

    // ---- open/short (panel in debug mode) ----
    // One round: both lines read, judged.
    OpenShortRound openShortRound();
    // The three rounds and the one block the result file gets.
    OpenShortOutcome openShort();

    // ---- planeness ----
    // One acquisition of the whole raster (panel in raster / internal raster
    // mode): each row selected (10 ms for the panel to switch), read, judged.
    RasterAttempt acquireXRaster();
    RasterAttempt acquireYRaster();
    RasterAttempt acquire(RasterAxis axis);
    // The item with its retries; sleep defaults to blocking the thread.
    RasterItemResult rasterItem(RasterAxis axis, const std::function<void(int)> &sleep = {});

    // What the last reads left: 2*YN+2 rows of XN+1 judged cells (X raster
    // rows 0..YN, then the Y raster), the last acquisition's counts and
    // failure list, the last round's raw lines.
    const std::vector<std::vector<int>> &rasterRows() const { return m_rasterRows; }
    const RasterCounts &rasterCounts() const { return m_counts; }
    const OpenShortRound &lastRound() const { return m_lastRound; }

    // The fixed waits of the reads.
    static constexpr int ChunkWaitMs = 2;
    static constexpr int RowSelectWaitMs = 10;

private:
    // count signed 16-bit values from byte offset on in the data window.
    bool readValues(int offset, int count, std::vector<int> &values) const;

    int m_xn = 0;
    int m_yn = 0;
    int m_registerMapSelector = 0;
    int m_m0Min = 0;
    int m_m0Max = 0;
    RasterLimits m_limits;
    const Baseline *m_baseline = nullptr;
    const RowLimits *m_rowLimits = nullptr;
    std::vector<std::vector<int>> m_rasterRows;
    RasterCounts m_counts;
    OpenShortRound m_lastRound;
};

} // namespace production

#endif
