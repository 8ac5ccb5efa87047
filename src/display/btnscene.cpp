#include "btnscene.h"

#include "geometry.h"
#include "pens.h"

#include <QGraphicsLineItem>
#include <QGraphicsScene>

namespace quilex_gui_qtlib {

BtnScene::BtnScene(int btnMin, int btnMax, QGraphicsScene *graphics)
    : Scene(graphics)
    , m_min(btnMin)
    , m_max(btnMax)
    , m_layoutPen(pens::layoutPen())
    , m_inRangePen(pens::inRangePen())
    , m_outOfRangePen(pens::outOfRangePen())
{
}

void BtnScene::setData(const QList<int> &values)
{
    const QRectF rect = m_graphics->sceneRect();
    const qreal w = rect.width();
    const qreal h = rect.height();
    const qreal cy = h / 2;
    if (!m_built) {
        m_built = true;
        m_layout[0] = m_graphics->addLine(0, cy, w, cy, m_layoutPen);
        m_layout[1] = m_graphics->addLine(0, cy - 2.0 * m_max, w, cy - 2.0 * m_max, m_layoutPen);
        m_layout[2] = m_graphics->addLine(0, cy - 2.0 * m_min, w, cy - 2.0 * m_min, m_layoutPen);
        // Bars sit at fixed positions whatever the width.
        for (int k = 0; k < ButtonCount; ++k)
            m_bars[static_cast<std::size_t>(k)] =
                m_graphics->addLine(200 * k, cy, 200 * k + 100, cy, m_inRangePen);
    }
    if (values.size() != ButtonCount)
        return;
    for (int k = 0; k < ButtonCount; ++k) {
        QGraphicsLineItem *item = m_bars[static_cast<std::size_t>(k)];
        if (!item)
            continue;
        const int v = geometry::clampButtonValue(values[k], h);
        item->setLine(200 * k, cy - 2.0 * v, 200 * k + 100, cy - 2.0 * v);
        item->setPen(v < m_min || v > m_max ? m_outOfRangePen : m_inRangePen);
    }
}

void BtnScene::itemsCleared()
{
    m_layout.fill(nullptr);
    m_bars.fill(nullptr);
}

} // namespace quilex_gui_qtlib
