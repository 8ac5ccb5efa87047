#ifndef EMULATOR_TOUCHPAD_H
#define EMULATOR_TOUCHPAD_H

#include <QPointF>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

namespace emulator {

struct Touch;

// The emulated panel's surface under the mouse: drag with the left button for
// one finger, hold the right button for a second one. Fingers are given in
// panel coordinates (0 .. resolution - 1).
class TouchPad : public QWidget
{
    Q_OBJECT
public:
    using Sink = std::function<void(const std::vector<Touch> &)>;

    explicit TouchPad(QWidget *parent = nullptr);
    void setResolution(int x, int y);
    void setSink(Sink sink) { m_sink = std::move(sink); }

    QSize sizeHint() const override { return {320, 200}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRectF surface() const;
    void place(Qt::MouseButtons buttons, QPointF at);
    void publish();

    int m_xRes = 1280;
    int m_yRes = 800;
    // Finger 0 follows the left button, finger 1 the right.
    std::array<std::optional<QPointF>, 2> m_fingers;
    Sink m_sink;
};

} // namespace emulator

#endif
