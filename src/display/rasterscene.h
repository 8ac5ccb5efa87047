#ifndef RASTERSCENE_H
#define RASTERSCENE_H

#include "scene.h"

#include <vector>

class QGraphicsEllipseItem;

namespace quilex_gui {
class CoreRaster;
}

namespace quilex_gui_qtlib {

// A dot matrix of raster values: one red dot per cell, larger the further
// the value lies from zero.
class RasterScene : public Scene
{
public:
    RasterScene(QGraphicsScene *graphics, const quilex_gui::CoreRaster *source);

    void draw() override;
    void update() override;
    void reset() override;
    void itemsCleared() override;

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    QGraphicsEllipseItem *dot(int row, int column) const;

private:
    const quilex_gui::CoreRaster *m_source;
    int m_rows = 0;
    int m_columns = 0;
    std::vector<QGraphicsEllipseItem *> m_dots; // row by row
};

} // namespace quilex_gui_qtlib

#endif
