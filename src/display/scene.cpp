#include "scene.h"

#include <QGraphicsItem>
#include <QGraphicsScene>

namespace quilex_gui_qtlib {

Scene::Scene(QGraphicsScene *graphics)
    : m_graphics(graphics)
{
}

// Items still in the graphics scene belong to it and stay there; only the
// items this scene took out are deleted with it.
Scene::~Scene() = default;

void Scene::draw()
{
}

void Scene::update()
{
}

void Scene::setData(const QList<int> &)
{
}

void Scene::reset()
{
}

void Scene::relayout()
{
}

void Scene::layout(bool)
{
}

void Scene::itemsCleared()
{
}

void Scene::detach(QGraphicsItem *item)
{
    if (!item || !m_graphics || item->scene() != m_graphics)
        return;
    m_graphics->removeItem(item);
    m_detached.emplace_back(item);
}

SourcedBlankScene::SourcedBlankScene(QGraphicsScene *graphics, quilex_gui::State *source)
    : Scene(graphics)
    , m_source(source)
{
}

} // namespace quilex_gui_qtlib
