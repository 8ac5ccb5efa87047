#include "rasterscene.h"

#include "coreraster.h"
#include "geometry.h"

#include <QBrush>
#include <QGraphicsEllipseItem>
#include <QGraphicsScene>
#include <QPen>

#include <algorithm>

namespace quilex_gui_qtlib {

RasterScene::RasterScene(QGraphicsScene *graphics, const quilex_gui::CoreRaster *source)
    : Scene(graphics)
    , m_source(source)
{
}

QGraphicsEllipseItem *RasterScene::dot(int row, int column) const
{
    return m_dots[static_cast<std::size_t>(row * m_columns + column)];
}

void RasterScene::draw()
{
    m_dots.clear();
    if (!m_source || m_source->rowCount() == 0)
        return;
    m_rows = m_source->rowCount();
    m_columns = static_cast<int>(m_source->row(0).size());
    m_dots.reserve(static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_columns));
    for (int i = 0; i < m_rows * m_columns; ++i)
        m_dots.push_back(m_graphics->addEllipse(0, 0, 1, 1));
}

void RasterScene::update()
{
    const QRectF rect = m_graphics->sceneRect();
    const qreal w = rect.width();
    const qreal h = rect.height();
    if (!(w - 60 > 0 && h - 60 > 0) || !m_source || m_dots.empty())
        return;
    static const QPen red(QColor(255, 0, 0));
    static const QBrush solidRed(QColor(255, 0, 0), Qt::SolidPattern);
    // Only the cells the matrix was built for: a longer row or more rows
    // than at install must not reach past the dots.
    const int rows = std::min(m_rows, m_source->rowCount());
    for (int r = 0; r < rows; ++r) {
        const std::vector<int> &values = m_source->row(r);
        const int columns = std::min(m_columns, static_cast<int>(values.size()));
        for (int c = 0; c < columns; ++c) {
            const qreal u = geometry::rasterDotRadius(values[static_cast<std::size_t>(c)]);
            const QPointF centre = geometry::rasterDotCentre(w, h, m_rows, m_columns, r, c);
            QGraphicsEllipseItem *item = dot(r, c);
            item->setRect(centre.x() - u, centre.y() - u, 2 * u, 2 * u);
            item->setPen(red);
            item->setBrush(solidRed);
        }
    }
}

void RasterScene::reset()
{
    for (QGraphicsEllipseItem *item : m_dots) {
        item->setRect(QRectF());
        detach(item);
    }
}

void RasterScene::itemsCleared()
{
    // Dots that reset() took out are still owned by this scene.
    m_dots.clear();
}

} // namespace quilex_gui_qtlib
