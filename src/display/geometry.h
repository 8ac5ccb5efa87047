#ifndef GEOMETRY_H
#define GEOMETRY_H

#include <QLineF>
#include <QPointF>

// The scenes' arithmetic, kept apart from the items so that it can be checked
// on its own.
namespace quilex_gui_qtlib::geometry {

// Width of one electrode's cell in the debug scene, for a scene `width` wide
// and `count` electrodes on the larger side. 0 when there are none.
qreal debugStep(qreal width, int count);
// Electrode strokes are only drawn when a cell is wider than this.
constexpr qreal MinDebugStep = 4;

// The stroke of X electrode `index` (left of the centre) and Y electrode
// `index` (right of it) for `value`, centred on (cx, cy).
QLineF debugXLine(qreal cx, qreal cy, qreal step, int index, int value);
QLineF debugYLine(qreal cx, qreal cy, qreal step, int index, int value);
QPointF debugXLabel(qreal cx, qreal cy, qreal step, int index, int value);
QPointF debugYLabel(qreal cx, qreal cy, qreal step, int index, int value);

// Where the touch panel's outline sits in a width x height scene: one scale on
// both axes, centred, 10 units of margin.
struct PanelFrame
{
    qreal scale = 0;
    qreal left = 0;
    qreal top = 0;
    qreal right = 0;
    qreal bottom = 0;

    QPointF map(int a, int b) const { return QPointF(left + a * scale, top + b * scale); }
};
PanelFrame panelFrame(qreal width, qreal height, int xRange, int yRange);

// Radius of a raster dot for `value`: values within +/-10 of zero and small
// ones are drawn at the minimum of 0.5.
qreal rasterDotRadius(int value);
// Centre of raster cell (row, column) in a width x height scene, 30 units of margin.
QPointF rasterDotCentre(qreal width, qreal height, int rows, int columns, int row, int column);

// A button value clamped to what fits in half of a scene `height` tall.
int clampButtonValue(int value, qreal height);

} // namespace quilex_gui_qtlib::geometry

#endif
