#ifndef PENS_H
#define PENS_H

#include <QPen>

// The display's pens, built once for the whole process.
namespace quilex_gui_qtlib::pens {

const QPen &framePen();
const QPen &layoutPen();
const QPen &inRangePen();
const QPen &outOfRangePen();
// Trail of finger slot `index`; 20 pens, the second ten repeating the first.
const QPen &trailPen(int index);
constexpr int TrailPenCount = 20;

} // namespace quilex_gui_qtlib::pens

#endif
