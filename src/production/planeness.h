#ifndef PLANENESS_H
#define PLANENESS_H

#include <QString>

#include <functional>
#include <vector>

class Settings;

// The planeness items: the X raster (raster mode) and the Y raster (internal
// raster mode), (YN+1) rows of (XN+1) cells each, judged cell by cell after the
// baseline is taken off. Cells near the edge have a window of their own and a
// number of edge failures is tolerated; the middle must be flat. Plain
// functions, so that every rule can be checked without a panel; the reads are
// in paneltests.h.
namespace production {

struct Baseline;

enum class RasterAxis { X, Y };

// The profile's windows and counts for both rasters.
struct RasterLimits
{
    int middleMin = 0; // M1_thr_min
    int middleMax = 0; // M1_thr_max
    int edgeCountX = 0, edgeMinX = 0, edgeMaxX = 0; // RasterX_edge_count/_min/_max
    int edgeCountY = 0, edgeMinY = 0, edgeMaxY = 0;
    int countThr = 0;    // edge failures tolerated per acquisition
    int countThrMid = 0; // Count_thr_mid
    int edgeRatio = 1;   // Raster_edge_ratio; 0 would divide by zero and reads as 1

    static RasterLimits fromStore(const Settings &store);
};

// The two cells nearest each side, whose values the panel reports scaled up.
bool isOuterCell(int r, int l, int xn, int yn);

// Middle band of the judging: edgeCount cells in from every side.
bool isMiddleCell(int r, int l, int xn, int yn, int edgeCount);

// Failures counted since the start of one acquisition.
struct RasterCounts
{
    int edge = 0;
    int middle = 0;
    QString failures; // "RasterX[r][l]=raw ,"
};

// Judges row r of one raster as read (raw values, column l at index l): outer
// cells are divided by the edge ratio, stored into stored (which has the
// row's cells; values past it are ignored), compared with the baseline row,
// counted. False when the row fails: a middle cell out of its window, or more
// edge failures so far than tolerated, or more middle failures than tolerated.
bool judgeRasterRow(RasterAxis axis, int r, const std::vector<int> &raw, int xn, int yn,
                    const RasterLimits &limits, const std::vector<float> &baselineRow,
                    std::vector<int> &stored, RasterCounts &counts);

// What one acquisition hands the run: text is the item result ("PASS" or
// "FAIL") followed by the block without its result and failure list
// ("RasterX:,\n", the stored rows, "RJitterX:\n", the differences); a read
// that failed gives "FAIL" alone. failures is that acquisition's list.
struct RasterAttempt
{
    QString text;
    QString failures;

    bool readFailed() const { return text.size() <= 4; }
    bool pass() const { return text.startsWith(QLatin1String("PASS")); }
};

// The text of an acquisition that read every row: the stored rows and their
// differences to the baseline (rows of stored are the raster's YN+1 rows).
QString rasterText(RasterAxis axis, bool pass, const std::vector<std::vector<int>> &storedRows,
                   const std::vector<std::vector<float>> &baselineRows);

// The item as the run records it.
struct RasterItemResult
{
    bool readError = false; // the first acquisition could not read: the run ends
    bool pass = false;
    QString block;          // "RasterX:,PASS,<failures>\n..." for the result file
    int acquisitions = 0;
};

// The retry rule: a first acquisition that fails is taken again; when the
// second no longer fails, a third is taken and kept, else the second is kept.
// The X raster waits 50 ms before the first and second and 30 ms before the
// third, the Y raster 150, 30 and 30 ms. sleep(ms) does the waiting.
// A read that fails at the second or third acquisition fails the item; its
// block then carries the data of the latest acquisition that read.
RasterItemResult rasterItem(RasterAxis axis, const std::function<RasterAttempt()> &acquire,
                            const std::function<void(int)> &sleep);

} // namespace production

#endif
