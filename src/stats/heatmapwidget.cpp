#include "heatmapwidget.h"

#include "rasterbands.h"

#include <QPainter>

#include <algorithm>

namespace stats {

QColor failureColour(qint64 panels, qint64 most)
{
    if (panels <= 0 || most <= 0)
        return production::rasterBandColour(0);
    // Band values of the live table: -75, -125, -175 are its three reds.
    if (panels * 3 <= most)
        return production::rasterBandColour(-75);
    if (panels * 3 <= most * 2)
        return production::rasterBandColour(-125);
    return production::rasterBandColour(-175);
}

HeatMapWidget::HeatMapWidget(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(200, 150);
}

void HeatMapWidget::setCounts(const QString &title, int rows, int columns, const QVector<qint64> &counts)
{
    m_title = title;
    m_rows = rows;
    m_columns = columns;
    m_counts = counts;
    m_counts.resize(qsizetype(std::max(0, rows * columns)));
    m_most = m_counts.isEmpty() ? 0 : *std::max_element(m_counts.begin(), m_counts.end());
    update();
}

qint64 HeatMapWidget::count(int row, int column) const
{
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns)
        return 0;
    return m_counts.at(qsizetype(row) * m_columns + column);
}

void HeatMapWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const int titleHeight = fontMetrics().height() + 6;
    painter.drawText(QRect(0, 0, width(), titleHeight), Qt::AlignCenter, m_title);
    if (m_rows <= 0 || m_columns <= 0)
        return;
    const double cell = std::min(double(width() - 2) / m_columns, double(height() - titleHeight - 2) / m_rows);
    const double left = (width() - cell * m_columns) / 2;
    const double top = titleHeight;
    QFont small = font();
    small.setPointSizeF(std::max(5.0, cell * 0.32));
    painter.setFont(small);
    const bool labels = cell >= 14;
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_columns; ++c) {
            const qint64 n = count(r, c);
            const QRectF box(left + c * cell, top + r * cell, cell, cell);
            painter.fillRect(box, failureColour(n, m_most));
            painter.setPen(QColor(200, 200, 200));
            painter.drawRect(box);
            if (labels && n > 0) {
                painter.setPen(Qt::black);
                painter.drawText(box, Qt::AlignCenter, QString::number(n));
            }
        }
    }
}

} // namespace stats
