#ifndef SCENE_H
#define SCENE_H

#include <QList>

#include <memory>
#include <vector>

class QGraphicsItem;
class QGraphicsScene;

namespace quilex_gui {
class State;
}

namespace quilex_gui_qtlib {

// A display scene: turns what a record parser has collected into items of the
// view's graphics scene. It creates its items once and afterwards only moves,
// re-pens, shows and hides them, so that a record never allocates. The base
// class is the blank scene: it draws nothing. The order of the operations is
// part of the interface: keep new ones at the end.
class Scene
{
public:
    explicit Scene(QGraphicsScene *graphics);
    virtual ~Scene();

    Scene(const Scene &) = delete;
    Scene &operator=(const Scene &) = delete;

    // Creates the items; called once, right after construction.
    virtual void draw();
    // Shows the source's current data.
    virtual void update();
    // Button values from the main window.
    virtual void setData(const QList<int> &values);
    // Collapses and hides the data items.
    virtual void reset();
    // After the view was resized.
    virtual void relayout();
    // Creates (true) or moves (false) the fixed frame items.
    virtual void layout(bool create);
    // The graphics scene was emptied (and its items deleted) while this scene
    // was current: forget every item still in it, so that nothing touches a
    // deleted item afterwards.
    virtual void itemsCleared();

    bool isActive() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    QGraphicsScene *graphicsScene() const { return m_graphics; }

protected:
    // Takes an item out of the graphics scene; this scene then owns it.
    void detach(QGraphicsItem *item);

    QGraphicsScene *m_graphics;
    bool m_active = true;

private:
    std::vector<std::unique_ptr<QGraphicsItem>> m_detached;
};

// Scene kinds the display interface can install but this station never
// shows; they draw nothing, like the blank scene.
class SourcedBlankScene : public Scene
{
public:
    SourcedBlankScene(QGraphicsScene *graphics, quilex_gui::State *source);

protected:
    quilex_gui::State *m_source;
};

class BendingDebugScene : public SourcedBlankScene
{
    using SourcedBlankScene::SourcedBlankScene;
};
class SingleDebugScene : public SourcedBlankScene
{
    using SourcedBlankScene::SourcedBlankScene;
};
class SingleDebugThresholdScene : public SourcedBlankScene
{
    using SourcedBlankScene::SourcedBlankScene;
};
class SingleDebugZeroScene : public SourcedBlankScene
{
    using SourcedBlankScene::SourcedBlankScene;
};
class MultiFingerLiftScene : public SourcedBlankScene
{
    using SourcedBlankScene::SourcedBlankScene;
};
class MultiFingerScene : public SourcedBlankScene
{
    using SourcedBlankScene::SourcedBlankScene;
};
class QualificationScene : public SourcedBlankScene
{
    using SourcedBlankScene::SourcedBlankScene;
};

} // namespace quilex_gui_qtlib

#endif
