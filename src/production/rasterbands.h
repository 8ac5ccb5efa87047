#ifndef RASTERBANDS_H
#define RASTERBANDS_H

#include <QColor>

namespace production {

// The colour of a raster value's band, the same in the live raster table and
// the log viewer: reds below -50, white around zero, yellows from 50 up.
inline QColor rasterBandColour(int value)
{
    if (value < -150)
        return QColor(255, 0, 0);
    if (value < -100)
        return QColor(255, 80, 80);
    if (value < -50)
        return QColor(255, 155, 155);
    if (value < 50)
        return QColor(255, 255, 255);
    if (value < 100)
        return QColor(255, 255, 125);
    if (value < 150)
        return QColor(255, 255, 0);
    return QColor(224, 224, 0);
}

} // namespace production

#endif
