#include "normalscene.h"

#include "corenormal.h"
#include "pens.h"

#include <QGraphicsLineItem>
#include <QGraphicsScene>

namespace quilex_gui_qtlib {

NormalScene::NormalScene(QGraphicsScene *graphics, const quilex_gui::Normal *source)
    : Scene(graphics)
    , m_source(source)
    , m_xRange(source ? source->xResolution() : 800)
    , m_yRange(source ? source->yResolution() : 600)
    , m_slotCount(source ? source->slotCount() : 0)
{
}

QGraphicsLineItem *NormalScene::trail(int slot, int segment) const
{
    return m_trails[static_cast<std::size_t>(slot)][static_cast<std::size_t>(segment)];
}

void NormalScene::layout(bool create)
{
    const QRectF rect = m_graphics->sceneRect();
    m_frame = geometry::panelFrame(rect.width(), rect.height(), m_xRange, m_yRange);
    const geometry::PanelFrame &f = m_frame;
    const std::array<QLineF, 4> sides = {
        QLineF(f.left, f.top, f.left, f.bottom),     // left
        QLineF(f.left, f.top, f.right, f.top),       // top
        QLineF(f.right, f.bottom, f.left, f.bottom), // bottom
        QLineF(f.right, f.bottom, f.right, f.top),   // right
    };
    for (std::size_t i = 0; i < sides.size(); ++i) {
        if (create)
            m_outline[i] = m_graphics->addLine(sides[i], pens::framePen());
        else if (m_outline[i])
            m_outline[i]->setLine(sides[i]);
    }
}

void NormalScene::draw()
{
    layout(true);
    m_trails.assign(static_cast<std::size_t>(m_slotCount), {});
    m_ringPositions.assign(static_cast<std::size_t>(m_slotCount), 0);
    for (int i = 0; i < m_slotCount; ++i) {
        auto &ring = m_trails[static_cast<std::size_t>(i)];
        ring.reserve(RingSize);
        for (int k = 0; k < RingSize; ++k) {
            QGraphicsLineItem *line = m_graphics->addLine(QLineF(), pens::trailPen(i));
            line->setVisible(false);
            ring.push_back(line);
        }
    }
}

void NormalScene::update()
{
    if (!m_source)
        return;
    for (int i = 0; i < static_cast<int>(m_trails.size()); ++i) {
        if (!m_source->isActive(i) || !m_source->wasActive(i))
            continue;
        int &position = m_ringPositions[static_cast<std::size_t>(i)];
        if (position >= RingSize)
            position = 0;
        const quilex_gui::Normal::Point &now = m_source->slot(i);
        const quilex_gui::Normal::Point &before = m_source->previousSlot(i);
        QGraphicsLineItem *line = trail(i, position);
        line->setLine(QLineF(m_frame.map(now.a, now.b), m_frame.map(before.a, before.b)));
        line->setVisible(true);
        ++position;
    }
}

void NormalScene::reset()
{
    for (auto &ring : m_trails) {
        for (QGraphicsLineItem *line : ring) {
            line->setLine(QLineF());
            line->setVisible(false);
        }
    }
    std::fill(m_ringPositions.begin(), m_ringPositions.end(), 0);
}

void NormalScene::relayout()
{
    reset();
    layout(false);
}

void NormalScene::itemsCleared()
{
    m_outline.fill(nullptr);
    m_trails.clear();
    m_ringPositions.clear();
}

} // namespace quilex_gui_qtlib
