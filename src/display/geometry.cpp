#include "geometry.h"

#include <algorithm>

namespace quilex_gui_qtlib::geometry {

qreal debugStep(qreal width, int count)
{
    if (count <= 0)
        return 0;
    return (width / 2 - 10) / count;
}

QLineF debugXLine(qreal cx, qreal cy, qreal step, int index, int value)
{
    const qreal y = cy - value / 2;
    return QLineF(cx - index * step - 6, y, cx - (index + 1) * step + 4, y);
}

QLineF debugYLine(qreal cx, qreal cy, qreal step, int index, int value)
{
    const qreal y = cy - value / 2;
    return QLineF(cx + index * step + 6, y, cx + (index + 1) * step - 4, y);
}

QPointF debugXLabel(qreal cx, qreal cy, qreal step, int index, int value)
{
    return QPointF(cx - index * step - step / 2 - 5, cy - value / 2 - 20);
}

QPointF debugYLabel(qreal cx, qreal cy, qreal step, int index, int value)
{
    return QPointF(cx + index * step + step / 2 - 5, cy - value / 2 - 20);
}

PanelFrame panelFrame(qreal width, qreal height, int xRange, int yRange)
{
    PanelFrame f;
    if (xRange <= 0 || yRange <= 0)
        return f;
    f.scale = std::min((width - 20) / xRange, (height - 20) / yRange);
    f.left = (width - f.scale * xRange) / 2;
    f.top = (height - f.scale * yRange) / 2;
    f.right = f.left + f.scale * xRange;
    f.bottom = f.top + f.scale * yRange;
    return f;
}

qreal rasterDotRadius(int value)
{
    // In double: -v of INT_MIN does not fit an int.
    const double v = value;
    double u = 0;
    if (v > 10)
        u = 0.08 * (v - 10);
    else if (v < -10)
        u = 0.005 * (-v - 10);
    return std::max(u, 0.5);
}

QPointF rasterDotCentre(qreal width, qreal height, int rows, int columns, int row, int column)
{
    // A single row or column has no spacing to spread over: it sits on the margin.
    const qreal dx = columns > 1 ? (width - 60) / (columns - 1) : 0;
    const qreal dy = rows > 1 ? (height - 60) / (rows - 1) : 0;
    return QPointF(30 + column * dx, 30 + row * dy);
}

int clampButtonValue(int value, qreal height)
{
    const int high = static_cast<int>(height / 4 - 1);
    const int low = static_cast<int>(1 - height / 4);
    // A scene under 4 units tall has no room at all; max(min()) keeps that defined.
    return std::max(low, std::min(value, high));
}

} // namespace quilex_gui_qtlib::geometry
