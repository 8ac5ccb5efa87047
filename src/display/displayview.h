#ifndef DISPLAYVIEW_H
#define DISPLAYVIEW_H

#include <QGraphicsView>
#include <QPixmap>

#include <memory>

class QGraphicsScene;

namespace quilex_gui_qtlib {

class Scene;

// The view the display scenes draw into. It owns one graphics scene for its
// whole life; display scenes come and go, the graphics scene stays. Scene
// coordinates always equal the viewport's size.
class DisplayView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit DisplayView(QWidget *parent = nullptr);
    ~DisplayView() override;

    std::shared_ptr<Scene> currentScene() const { return m_currentScene; }
    void setCurrentScene(std::shared_ptr<Scene> scene);
    QGraphicsScene *graphicsScene() const { return m_graphics; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Refused while full-screen, so that the display cannot vanish under the
    // operator's hand.
    void closeEvent(QCloseEvent *event) override;

private:
    QPixmap m_background;
    std::shared_ptr<Scene> m_currentScene;
    QGraphicsScene *m_graphics;
};

} // namespace quilex_gui_qtlib

#endif
