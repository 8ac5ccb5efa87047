#include "coreraster.h"

#include "values.h"
#include "windowimp.h"

#include <algorithm>
#include <limits>

namespace quilex_gui {

CoreRaster::CoreRaster(WindowImp *window)
    : State(window, R"([RS](\-?\d+,?)+)")
    , m_numberPattern(R"((-?\d+))")
{
    const Settings &store = *m_window->settings();
    // One more than the electrodes; a damaged profile's largest count must not
    // overflow into a negative size.
    const auto plusOne = [](int n) { return n < std::numeric_limits<int>::max() ? n + 1 : n; };
    m_expectedColumns = plusOne(profile::toInt(store.value("x_electrodes")));
    m_expectedRows = plusOne(profile::toInt(store.value("y_electrodes")));
}

bool CoreRaster::readRow()
{
    const char *begin = m_matchedText.data();
    if (!extractNumbers(m_numberPattern, begin, begin + m_matchedText.size(), m_scratch,
                        m_numberMatch))
        return false;
    m_rowsWellFormed = m_rowsWellFormed
                       && static_cast<int>(m_scratch.size()) == m_expectedColumns;
    // Rows beyond the expected count make the frame invalid anyway; counting
    // them is enough, so a stream that never sends an S row cannot grow the
    // table without end.
    const std::size_t keep = static_cast<std::size_t>(std::max(m_expectedRows, 0));
    const std::size_t index = static_cast<std::size_t>(m_rowCount);
    if (index < keep) {
        if (m_rows.size() <= index)
            m_rows.resize(index + 1);
        m_rows[index].assign(m_scratch.begin(), m_scratch.end());
    }
    if (m_rowCount < std::numeric_limits<int>::max())
        ++m_rowCount;
    m_lastWasS = m_matchedText.front() == 'S';
    return true;
}

bool CoreRaster::frameComplete() const
{
    // Every row is checked, not only the first: a row longer than the others
    // would be drawn past the end of the dot matrix.
    return m_rowCount == m_expectedRows && m_rowCount > 0 && m_rowsWellFormed;
}

void CoreRaster::clearRows()
{
    m_rowCount = 0;
    m_rowsWellFormed = true;
}

void CoreRaster::first()
{
    if (m_lastWasS) {
        // Validate the record before acting on the frame it completes.
        const char *begin = m_matchedText.data();
        if (!extractNumbers(m_numberPattern, begin, begin + m_matchedText.size(), m_scratch,
                        m_numberMatch))
            return;
        if (frameComplete()) {
            State::first();
            m_window->showRasterScene(this);
        }
        clearRows();
    }
    readRow();
}

void CoreRaster::next()
{
    if (!readRow() || !m_lastWasS)
        return;
    if (frameComplete())
        m_window->updateScene();
    clearRows();
}

} // namespace quilex_gui
