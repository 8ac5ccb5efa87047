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

std::vector<ScaleBand> failureScale(qint64 most)
{
    std::vector<ScaleBand> bands{{failureColour(0, most), 0, 0}};
    if (most <= 0)
        return bands;
    // failureColour's bounds: a third and two thirds of the worst, rounded down.
    const qint64 bounds[] = {0, most / 3, most * 2 / 3, most};
    for (int i = 0; i < 3; ++i) {
        if (bounds[i + 1] > bounds[i])
            bands.push_back({failureColour(bounds[i + 1], most), bounds[i] + 1, bounds[i + 1]});
    }
    return bands;
}

HeatMapWidget::HeatMapWidget(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(200, 150);
}

void HeatMapWidget::setCounts(const QString &title, int rows, int columns, const QVector<qint64> &counts,
                              qint64 runs, bool share)
{
    m_title = title;
    m_rows = rows;
    m_columns = columns;
    m_counts = counts;
    m_counts.resize(qsizetype(std::max(0, rows * columns)));
    m_most = m_counts.isEmpty() ? 0 : *std::max_element(m_counts.begin(), m_counts.end());
    m_runs = runs;
    m_share = share && runs > 0;
    update();
}

qint64 HeatMapWidget::count(int row, int column) const
{
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns)
        return 0;
    return m_counts.at(qsizetype(row) * m_columns + column);
}

QString HeatMapWidget::amount(qint64 n) const
{
    if (!m_share)
        return QString::number(n);
    const double share = 100.0 * double(n) / double(m_runs);
    return QString::number(share, 'f', share < 10 ? 1 : 0);
}

QString HeatMapWidget::label(int row, int column) const
{
    const qint64 n = count(row, column);
    return n > 0 ? amount(n) : QString();
}

QStringList HeatMapWidget::scaleTexts() const
{
    QStringList texts;
    const QString unit = m_share ? QStringLiteral(" %") : QString();
    for (const ScaleBand &band : failureScale(m_most)) {
        texts << (band.low == band.high ? amount(band.low) + unit
                                        : amount(band.low) + QStringLiteral("\u2013") + amount(band.high) + unit);
    }
    return texts;
}

void HeatMapWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height() + 4;
    painter.drawText(QRect(0, 0, width(), line), Qt::AlignCenter, m_title);
    if (m_rows <= 0 || m_columns <= 0)
        return;
    // Room for the row numbers on the left, the column numbers on top and
    // the scale beneath.
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 2));
    const QFontMetrics smallMetrics(small);
    const int numberWidth = smallMetrics.horizontalAdvance(QString::number(m_rows - 1)) + 6;
    const int left0 = numberWidth + 4;
    const int top0 = line + smallMetrics.height() + 2;
    const int bottomRoom = line + 4;
    const double cell = std::min(double(width() - left0 - 2) / m_columns,
                                 double(height() - top0 - bottomRoom - 2) / m_rows);
    if (cell <= 0)
        return;
    const double left = left0 + (width() - left0 - cell * m_columns) / 2;
    const double top = top0;

    // Numbers where they fit: every one, else every fifth (and the first).
    painter.setFont(small);
    painter.setPen(palette().windowText().color());
    const int every = cell >= smallMetrics.horizontalAdvance(QStringLiteral("00")) + 2 ? 1 : 5;
    for (int c = 0; c < m_columns; ++c) {
        if (c % every == 0)
            painter.drawText(QRectF(left + c * cell - cell, line, 3 * cell, smallMetrics.height()), Qt::AlignCenter,
                             QString::number(c));
    }
    const int rowEvery = cell >= smallMetrics.height() ? 1 : 5;
    for (int r = 0; r < m_rows; ++r) {
        if (r % rowEvery == 0)
            painter.drawText(QRectF(left - numberWidth - 2, top + r * cell, numberWidth, cell),
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(r));
    }
    QFont inCell = font();
    inCell.setPointSizeF(std::max(5.0, cell * 0.32));
    painter.setFont(inCell);
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
                painter.drawText(box, Qt::AlignCenter, amount(n));
            }
        }
    }

    // The scale: a swatch per band with the counts it stands for.
    painter.setFont(font());
    const std::vector<ScaleBand> bands = failureScale(m_most);
    const QStringList texts = scaleTexts();
    double x = left;
    const double y = top + m_rows * cell + 6;
    const QString caption = m_share ? tr("of the runs:") : tr("runs:");
    painter.setPen(palette().windowText().color());
    painter.drawText(QPointF(x, y + metrics.ascent()), caption);
    x += metrics.horizontalAdvance(caption) + 8;
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const QRectF swatch(x, y + 1, metrics.height() - 2, metrics.height() - 2);
        painter.fillRect(swatch, bands[i].colour);
        painter.setPen(QColor(160, 160, 160));
        painter.drawRect(swatch);
        x += swatch.width() + 4;
        painter.setPen(palette().windowText().color());
        painter.drawText(QPointF(x, y + metrics.ascent()), texts.value(qsizetype(i)));
        x += metrics.horizontalAdvance(texts.value(qsizetype(i))) + 14;
    }
}

} // namespace stats
