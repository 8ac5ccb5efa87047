#include "coredebug.h"

#include "windowimp.h"

#include <algorithm>

namespace quilex_gui {

RawData::RawData(WindowImp *window, const char *recordPattern, const char *numberPattern)
    : State(window, recordPattern)
    , m_numberPattern(numberPattern)
{
    m_xText.reserve(512);
    m_yText.reserve(512);
}

CoreDebug::CoreDebug(WindowImp *window)
    : RawData(window, R"([XY](-?\d+,?)+)", R"((-?\d+))")
{
}

CoreDebug::Record CoreDebug::handleRecord()
{
    const char *begin = m_matchedText.data();
    if (!extractNumbers(m_numberPattern, begin, begin + m_matchedText.size(), m_scratch,
                        m_numberMatch))
        return Record::Ignored;
    if (m_matchedText.front() == 'X') {
        m_yValues.clear();
        m_xText = m_matchedText;
        m_xValues.assign(m_scratch.begin(), m_scratch.end());
        return Record::Partial;
    }
    if (m_scratch.size() > MaxLineValues - std::min(m_yValues.size(), MaxLineValues))
        return Record::Ignored;
    m_yText = m_matchedText;
    m_yValues.insert(m_yValues.end(), m_scratch.begin(), m_scratch.end());
    return !m_xValues.empty() && !m_yValues.empty() ? Record::Frame : Record::Partial;
}

bool CoreDebug::frameHasExpectedSize() const
{
    return static_cast<int>(m_xValues.size()) == m_expectedX
           && static_cast<int>(m_yValues.size()) == m_expectedY;
}

void CoreDebug::first()
{
    if (handleRecord() != Record::Frame)
        return;
    if (m_phase == 0) {
        m_expectedX = static_cast<int>(m_xValues.size());
        m_expectedY = static_cast<int>(m_yValues.size());
        m_phase = 1;
    } else if (!frameHasExpectedSize()) {
        m_phase = 0;
    } else if (m_phase < 3) {
        ++m_phase;
    } else {
        State::first();
        m_window->showDebugScene(this);
    }
}

void CoreDebug::next()
{
    if (handleRecord() == Record::Frame && frameHasExpectedSize())
        m_window->updateScene();
}

} // namespace quilex_gui
