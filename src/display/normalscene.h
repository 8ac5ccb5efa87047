#ifndef NORMALSCENE_H
#define NORMALSCENE_H

#include "geometry.h"
#include "scene.h"

#include <array>
#include <vector>

class QGraphicsLineItem;

namespace quilex_gui {
class Normal;
}

namespace quilex_gui_qtlib {

// Finger trails of the touch stream inside the panel's outline: each finger
// slot keeps its last RingSize movements, the oldest segment reused first.
class NormalScene : public Scene
{
public:
    static constexpr int RingSize = 600;

    NormalScene(QGraphicsScene *graphics, const quilex_gui::Normal *source);

    void draw() override;
    void update() override;
    void reset() override;
    void relayout() override;
    void layout(bool create) override;
    void itemsCleared() override;

    // For checks of the drawing.
    const geometry::PanelFrame &frame() const { return m_frame; }
    QGraphicsLineItem *outline(int side) const { return m_outline[static_cast<std::size_t>(side)]; }
    int trailCount() const { return static_cast<int>(m_trails.size()); }
    QGraphicsLineItem *trail(int slot, int segment) const;
    int ringPosition(int slot) const { return m_ringPositions[static_cast<std::size_t>(slot)]; }

private:
    const quilex_gui::Normal *m_source;
    // The resolution the parser had when it installed this scene; the parser
    // installs a new scene whenever it changes them.
    int m_xRange;
    int m_yRange;
    int m_slotCount;
    geometry::PanelFrame m_frame;
    std::array<QGraphicsLineItem *, 4> m_outline{};
    std::vector<std::vector<QGraphicsLineItem *>> m_trails;
    std::vector<int> m_ringPositions;
};

} // namespace quilex_gui_qtlib

#endif
