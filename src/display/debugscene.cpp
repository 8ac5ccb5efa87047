#include "debugscene.h"

#include "coredebug.h"
#include "geometry.h"
#include "pens.h"
#include "values.h"
#include "windowimp.h"

#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>

#include <algorithm>

namespace quilex_gui_qtlib {

DebugScene::DebugScene(QGraphicsScene *graphics, const quilex_gui::RawData *source)
    : Scene(graphics)
    , m_source(source)
    , m_layoutPen(pens::layoutPen())
    , m_inRangePen(pens::inRangePen())
    , m_outOfRangePen(pens::outOfRangePen())
{
    if (m_source && m_source->window()) {
        const Settings &store = *m_source->window()->settings();
        m_min = profile::toInt(store.value("M0_thr_min"));
        m_max = profile::toInt(store.value("M0_thr_max"));
    }
}

int DebugScene::electrodeCount() const
{
    if (!m_source)
        return 0;
    return static_cast<int>(std::max(m_source->xValues().size(), m_source->yValues().size()));
}

void DebugScene::layout(bool create)
{
    const QRectF rect = m_graphics->sceneRect();
    const qreal w = rect.width();
    const qreal h = rect.height();
    const qreal cx = w / 2;
    const qreal cy = h / 2;
    const std::array<QLineF, 4> lines = {
        QLineF(0, cy, w, cy),
        QLineF(cx, 0, cx, h),
        QLineF(0, cy - m_max / 2, w, cy - m_max / 2),
        QLineF(0, cy - m_min / 2, w, cy - m_min / 2),
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (create)
            m_layout[i] = m_graphics->addLine(lines[i], m_layoutPen);
        else if (m_layout[i])
            m_layout[i]->setLine(lines[i]);
    }
}

void DebugScene::draw()
{
    m_xLines.clear();
    m_yLines.clear();
    m_xLabels.clear();
    m_yLabels.clear();
    layout(true);
    const qreal step = geometry::debugStep(m_graphics->sceneRect().width(), electrodeCount());
    // Too many electrodes for the width: the strokes would run into each other.
    if (step <= geometry::MinDebugStep || !m_source)
        return;
    const auto make = [this](int count, std::vector<QGraphicsLineItem *> &lines,
                             std::vector<QGraphicsSimpleTextItem *> &labels) {
        for (int i = 0; i < count; ++i) {
            QGraphicsSimpleTextItem *label = m_graphics->addSimpleText(QString::number(i + 1));
            label->setBrush(QBrush(Qt::red));
            labels.push_back(label);
            lines.push_back(m_graphics->addLine(QLineF(), m_inRangePen));
        }
    };
    make(m_source->expectedXCount(), m_xLines, m_xLabels);
    make(m_source->expectedYCount(), m_yLines, m_yLabels);
}

void DebugScene::placeLines(const std::vector<int> &values, bool xSide, qreal cx, qreal cy,
                            qreal step)
{
    std::vector<QGraphicsLineItem *> &lines = xSide ? m_xLines : m_yLines;
    std::vector<QGraphicsSimpleTextItem *> &labels = xSide ? m_xLabels : m_yLabels;
    const std::size_t count = std::min({values.size(), lines.size(), labels.size()});
    for (std::size_t k = 0; k < count; ++k) {
        const int i = static_cast<int>(k);
        const int v = values[k];
        lines[k]->setPen(v >= m_min && v <= m_max ? m_inRangePen : m_outOfRangePen);
        lines[k]->setLine(xSide ? geometry::debugXLine(cx, cy, step, i, v)
                                : geometry::debugYLine(cx, cy, step, i, v));
        if (m_active)
            labels[k]->setPos(xSide ? geometry::debugXLabel(cx, cy, step, i, v)
                                    : geometry::debugYLabel(cx, cy, step, i, v));
        labels[k]->setVisible(m_active);
    }
}

void DebugScene::update()
{
    layout(false);
    if (!m_source)
        return;
    const QRectF rect = m_graphics->sceneRect();
    const qreal step = geometry::debugStep(rect.width(), electrodeCount());
    const qreal cx = rect.width() / 2;
    const qreal cy = rect.height() / 2;
    placeLines(m_source->xValues(), true, cx, cy, step);
    placeLines(m_source->yValues(), false, cx, cy, step);
}

void DebugScene::reset()
{
    for (QGraphicsLineItem *line : m_layout) {
        if (line)
            line->setLine(QLineF());
    }
    for (auto *lines : {&m_xLines, &m_yLines}) {
        for (QGraphicsLineItem *line : *lines) {
            line->setLine(QLineF());
            line->setVisible(false);
            detach(line);
        }
    }
}

void DebugScene::relayout()
{
}

void DebugScene::itemsCleared()
{
    // Strokes that reset() took out are still owned by this scene and are
    // deleted with it; none is drawn again.
    m_layout.fill(nullptr);
    m_xLines.clear();
    m_yLines.clear();
    m_xLabels.clear();
    m_yLabels.clear();
}

} // namespace quilex_gui_qtlib
