#include "lograsterscene.h"

#include "rasterbands.h"

#include <QBrush>
#include <QFont>
#include <QGraphicsRectItem>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QPen>

#include <algorithm>

namespace {

QPen chartPen(const QColor &color, int width, Qt::PenCapStyle cap)
{
    QPen pen(color);
    pen.setWidth(width);
    pen.setCapStyle(cap);
    pen.setJoinStyle(Qt::BevelJoin);
    return pen;
}

QPen valuePen() { return chartPen(QColor(0, 255, 0, 160), 6, Qt::RoundCap); }
QPen alarmPen() { return chartPen(QColor(255, 0, 0, 120), 6, Qt::RoundCap); }
QPen gridPen() { return chartPen(Qt::lightGray, 2, Qt::SquareCap); }

constexpr double ZoomIn = 2.5;
constexpr double ZoomOut = 0.4;

} // namespace

LogRasterScene::LogRasterScene(const QSizeF &size, QObject *parent) : QGraphicsScene(parent)
{
    setSceneRect(QRectF(QPointF(0, 0), size));
}

QColor LogRasterScene::rasterFill(int v)
{
    return production::rasterBandColour(v);
}

QString LogRasterScene::cellToolTip(int column, int row)
{
    return QStringLiteral("<p style=color:red;font-size:15px> (%1,%2)</p>").arg(column).arg(row);
}

void LogRasterScene::drawOpenShort(const LogData &data, int m0Min, int m0Max)
{
    clear();
    const int w = int(width());
    const int h = int(height());
    addLine(0, h / 2, w, h / 2, gridPen());
    addLine(w / 2, 0, w / 2, h, gridPen());
    addLine(0, h / 2 - m0Max / 2, w, h / 2 - m0Max / 2, gridPen());
    addLine(0, h / 2 - m0Min / 2, w, h / 2 - m0Min / 2, gridPen());

    const qsizetype n = std::max(data.xLine.size(), data.yLine.size());
    if (n == 0)
        return; // no lines read: nothing to space out
    const qreal step = qreal(w / 2 - 10) / qreal(n);
    if (step <= 4)
        return;

    // X electrodes run leftwards from the centre, Y electrodes rightwards.
    for (int side : {-1, 1}) {
        const QList<int> &line = side < 0 ? data.xLine : data.yLine;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const int v = line.at(i);
            const qreal y = h / 2 - v / 2;
            const qreal from = w / 2 + side * i * step;
            const qreal to = w / 2 + side * ((i + 1) * step - 4);
            const bool alarm = v < m0Min || v > m0Max;
            addLine(from, y, to, y, alarm ? alarmPen() : valuePen());
            QGraphicsSimpleTextItem *label = addSimpleText(QString::number(i + 1));
            label->setBrush(QColor(Qt::red));
            label->setPos(w / 2 + side * (i * step + step / 2) - 5, y - 20);
        }
    }
}

void LogRasterScene::drawRaster(const LogData &data, qsizetype firstRow)
{
    clear();
    const qreal xCells = qreal(data.xn) + 1;
    const qreal yCells = qreal(data.yn) + 1;
    const int cw = int((width() - 2) / xCells);
    const int ch = int((height() - 2) / yCells);
    QFont font;
    font.setPointSize(std::max(1, std::min(cw, ch) / 2));

    for (qsizetype j = 0; j <= qsizetype(data.yn); ++j) {
        const qsizetype r = firstRow + j;
        if (r < 0 || r >= data.rasterRows.size())
            break;
        const QList<int> &row = data.rasterRows.at(r);
        const qsizetype columns = std::min(row.size(), qsizetype(data.xn) + 1);
        for (qsizetype i = 0; i < columns; ++i) {
            const int v = row.at(i);
            QGraphicsRectItem *cell = addRect(qreal(i) * cw, qreal(j) * ch, cw, ch, QPen(), rasterFill(v));
            cell->setToolTip(cellToolTip(int(i), int(j)));
            QGraphicsSimpleTextItem *text = addSimpleText(QString::number(v), font);
            text->setBrush(QColor(Qt::black));
            text->setPos(qreal(i) * cw + 3, qreal(j) * ch + 3);
        }
    }
}

void LogRasterScene::drawButtons(QList<int> &values, int btnMin, int btnMax)
{
    clear();
    const int w = int(width());
    const int h = int(height());
    const int d = h / 2;
    // Limits are profile text: keep 2 * limit from overflowing.
    const auto levelOf = [d](int v) { return qreal(d) - 2.0 * qreal(v); };
    addLine(0, d, w, d, gridPen());
    addLine(0, levelOf(btnMax), w, levelOf(btnMax), gridPen());
    addLine(0, levelOf(btnMin), w, levelOf(btnMin), gridPen());
    if (values.isEmpty())
        return;

    const int q = h / 4;
    for (qsizetype k = 0; k < values.size(); ++k) {
        int &v = values[k];
        v = std::max(1 - q, std::min(q - 1, v));
        const qreal x = 50 + 200 * qreal(k);
        const qreal y = levelOf(v);
        const bool alarm = v < btnMin || v > btnMax;
        addLine(x - 50, y, x + 50, y, alarm ? alarmPen() : valuePen());
        QGraphicsSimpleTextItem *text = addSimpleText(QString::number(v));
        text->setBrush(QColor(Qt::red));
        text->setPos(x, y + 5);
    }
}

void LogRasterScene::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    const QList<QGraphicsView *> shown = views();
    if (m_chart == OpenShort || shown.isEmpty()) {
        QGraphicsScene::mousePressEvent(event);
        return;
    }
    QGraphicsView *view = shown.first();
    if (!m_zoomed) {
        QGraphicsScene::mousePressEvent(event);
        view->scale(ZoomIn, ZoomIn);
        view->centerOn(event->scenePos());
    } else {
        view->scale(ZoomOut, ZoomOut);
        view->centerOn(0, 0);
    }
    m_zoomed = !m_zoomed;
}
