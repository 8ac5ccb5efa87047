#ifndef COREDEBUG_H
#define COREDEBUG_H

#include "state.h"

namespace quilex_gui {

// Per-electrode debug values: an X record, then a Y record, make one frame.
class RawData : public State
{
public:
    const std::vector<int> &xValues() const { return m_xValues; }
    const std::vector<int> &yValues() const { return m_yValues; }
    int expectedXCount() const { return m_expectedX; }
    int expectedYCount() const { return m_expectedY; }
    int phase() const { return m_phase; }

protected:
    RawData(WindowImp *window, const char *recordPattern, const char *numberPattern);

    std::vector<int> m_xValues;
    std::vector<int> m_yValues;
    std::string m_xText;
    std::string m_yText;
    boost::regex m_numberPattern;
    int m_phase = 0;
    int m_expectedX = 0;
    int m_expectedY = 0;
};

// The debug and internal M0 streams. The scene is shown only after four
// frames in a row of the same size: the first records after a mode switch can
// still come from the previous mode.
class CoreDebug : public RawData
{
public:
    // Y records that follow one another add up to one Y line until the next X
    // record; beyond this many values (far more than any panel has) further Y
    // records are dropped, so that a stream without X records cannot grow it
    // without end.
    static constexpr std::size_t MaxLineValues = 4096;

    explicit CoreDebug(WindowImp *window);

    void next() override;
    void first() override;

private:
    enum class Record { Ignored, Partial, Frame };
    Record handleRecord();
    bool frameHasExpectedSize() const;

    std::vector<int> m_scratch;
};

} // namespace quilex_gui

#endif
