#ifndef DEBUGSCENE_H
#define DEBUGSCENE_H

#include "scene.h"

#include <QPen>

#include <array>
#include <vector>

class QGraphicsLineItem;
class QGraphicsSimpleTextItem;

namespace quilex_gui {
class RawData;
}

namespace quilex_gui_qtlib {

// Per-electrode levels against the M0 thresholds: each electrode is a short
// thick stroke half its value above the centre line, green within the
// thresholds and red outside; X electrodes left of the centre, Y right of it,
// numbered from 1 outward.
class DebugScene : public Scene
{
public:
    // Reads M0_thr_min and M0_thr_max once, through the source's window.
    DebugScene(QGraphicsScene *graphics, const quilex_gui::RawData *source);

    void draw() override;
    void update() override;
    void reset() override;
    void relayout() override;
    void layout(bool create) override;
    void itemsCleared() override;

    int thresholdMin() const { return m_min; }
    int thresholdMax() const { return m_max; }
    // Centre line, vertical centre line, max line, min line.
    QGraphicsLineItem *layoutLine(int i) const { return m_layout[static_cast<std::size_t>(i)]; }
    const std::vector<QGraphicsLineItem *> &xLines() const { return m_xLines; }
    const std::vector<QGraphicsLineItem *> &yLines() const { return m_yLines; }
    const std::vector<QGraphicsSimpleTextItem *> &xLabels() const { return m_xLabels; }
    const std::vector<QGraphicsSimpleTextItem *> &yLabels() const { return m_yLabels; }
    const QPen &inRangePen() const { return m_inRangePen; }
    const QPen &outOfRangePen() const { return m_outOfRangePen; }

private:
    int electrodeCount() const;
    void placeLines(const std::vector<int> &values, bool xSide, qreal cx, qreal cy, qreal step);

    const quilex_gui::RawData *m_source;
    int m_min = 0;
    int m_max = 0;
    QPen m_layoutPen;
    QPen m_inRangePen;
    QPen m_outOfRangePen;
    std::array<QGraphicsLineItem *, 4> m_layout{};
    std::vector<QGraphicsLineItem *> m_xLines;
    std::vector<QGraphicsLineItem *> m_yLines;
    std::vector<QGraphicsSimpleTextItem *> m_xLabels;
    std::vector<QGraphicsSimpleTextItem *> m_yLabels;
};

} // namespace quilex_gui_qtlib

#endif
