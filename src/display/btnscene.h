#ifndef BTNSCENE_H
#define BTNSCENE_H

#include "scene.h"

#include <QPen>

#include <array>

class QGraphicsLineItem;

namespace quilex_gui_qtlib {

// Eight button levels against Btn_Min and Btn_Max, fed by the main window.
class BtnScene : public Scene
{
public:
    static constexpr int ButtonCount = 8;

    BtnScene(int btnMin, int btnMax, QGraphicsScene *graphics);

    void setData(const QList<int> &values) override;
    void itemsCleared() override;

    // Baseline, Btn_Max line, Btn_Min line.
    QGraphicsLineItem *layoutLine(int i) const { return m_layout[static_cast<std::size_t>(i)]; }
    QGraphicsLineItem *bar(int k) const { return m_bars[static_cast<std::size_t>(k)]; }
    const QPen &inRangePen() const { return m_inRangePen; }
    const QPen &outOfRangePen() const { return m_outOfRangePen; }

private:
    int m_min;
    int m_max;
    bool m_built = false;
    QPen m_layoutPen;
    QPen m_inRangePen;
    QPen m_outOfRangePen;
    std::array<QGraphicsLineItem *, 3> m_layout{};
    std::array<QGraphicsLineItem *, ButtonCount> m_bars{};
};

} // namespace quilex_gui_qtlib

#endif
