#include "displayview.h"

#include "scene.h"

#include <QCloseEvent>
#include <QGraphicsScene>
#include <QResizeEvent>

namespace quilex_gui_qtlib {

DisplayView::DisplayView(QWidget *parent)
    : QGraphicsView(parent)
    , m_background(QString())
    , m_graphics(new QGraphicsScene(this))
{
    setFrameStyle(0);
    // The scene rectangle always equals the viewport: scroll bars would only
    // take room from it.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundBrush(QBrush(m_background));
    // Items move with every record; a spatial index would be rebuilt each time.
    m_graphics->setItemIndexMethod(QGraphicsScene::NoIndex);
    setScene(m_graphics);
}

DisplayView::~DisplayView() = default;

void DisplayView::setCurrentScene(std::shared_ptr<Scene> scene)
{
    m_currentScene = std::move(scene);
}

void DisplayView::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    const int width = viewport()->width();
    const int height = viewport()->height();
    if (width == 0 || height == 0)
        return;
    m_graphics->setSceneRect(0, 0, width, height);
    // Scaling an empty image only earns a warning; the result would be empty too.
    if (!m_background.isNull())
        setBackgroundBrush(QBrush(m_background.scaled(width, height, Qt::IgnoreAspectRatio,
                                                      Qt::SmoothTransformation)));
    if (m_currentScene)
        m_currentScene->relayout();
}

void DisplayView::closeEvent(QCloseEvent *event)
{
    if (isFullScreen())
        event->ignore();
    else
        event->accept();
}

} // namespace quilex_gui_qtlib
