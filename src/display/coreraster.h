#ifndef CORERASTER_H
#define CORERASTER_H

#include "state.h"

#include <algorithm>

namespace quilex_gui {

// The raster streams: row 0 arrives as an "S" row, rows 1 to YN as "R" rows.
// A frame as the parser holds it is rows 1 to YN followed by the S row of the
// next sweep; the scene draws it in that order.
class CoreRaster : public State
{
public:
    // Reads the frame size from the window's parameter store
    // (x_electrodes + 1 columns, y_electrodes + 1 rows).
    explicit CoreRaster(WindowImp *window);

    void next() override;
    void first() override;

    // Rows held; a frame with more rows than expected is counted, not kept.
    int rowCount() const { return std::min(m_rowCount, std::max(m_expectedRows, 0)); }
    const std::vector<int> &row(int i) const { return m_rows[static_cast<std::size_t>(i)]; }
    int expectedColumns() const { return m_expectedColumns; }
    int expectedRows() const { return m_expectedRows; }

private:
    // False for a record the parser drops (a number that overflows an int).
    bool readRow();
    bool frameComplete() const;
    void clearRows();

    std::vector<std::vector<int>> m_rows; // slots reused from sweep to sweep
    int m_rowCount = 0;
    // Every row so far has the expected number of values.
    bool m_rowsWellFormed = true;
    bool m_lastWasS = false;
    int m_expectedColumns = 1;
    int m_expectedRows = 1;
    boost::regex m_numberPattern;
    std::vector<int> m_scratch;
};

} // namespace quilex_gui

#endif
