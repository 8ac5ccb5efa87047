#include "touchpad.h"

#include "bridgeboard.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace emulator {

TouchPad::TouchPad(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(200, 120);
    setCursor(Qt::CrossCursor);
    setToolTip(QStringLiteral("Left button: one finger. Right button: a second finger."));
}

void TouchPad::setResolution(int x, int y)
{
    m_xRes = std::max(x, 1);
    m_yRes = std::max(y, 1);
    update();
}

QRectF TouchPad::surface() const
{
    // The panel's aspect ratio, centred in the widget.
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    const qreal scale = std::min(area.width() / m_xRes, area.height() / m_yRes);
    const QSizeF size(m_xRes * scale, m_yRes * scale);
    return QRectF(area.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

void TouchPad::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF s = surface();
    p.fillRect(s, QColor(30, 40, 52));
    p.setPen(QColor(120, 144, 156));
    p.drawRect(s);
    const QColor colours[2] = {QColor(102, 187, 106), QColor(66, 165, 245)};
    for (std::size_t i = 0; i < m_fingers.size(); ++i) {
        if (!m_fingers[i])
            continue;
        const QPointF at(s.left() + m_fingers[i]->x() / m_xRes * s.width(),
                         s.top() + m_fingers[i]->y() / m_yRes * s.height());
        p.setBrush(colours[i]);
        p.setPen(Qt::NoPen);
        p.drawEllipse(at, 8, 8);
    }
}

void TouchPad::place(Qt::MouseButtons buttons, QPointF at)
{
    const QRectF s = surface();
    const qreal fx = std::clamp((at.x() - s.left()) / s.width(), 0.0, 1.0) * (m_xRes - 1);
    const qreal fy = std::clamp((at.y() - s.top()) / s.height(), 0.0, 1.0) * (m_yRes - 1);
    if (buttons & Qt::LeftButton)
        m_fingers[0] = QPointF(fx, fy);
    if (buttons & Qt::RightButton)
        m_fingers[1] = QPointF(fx, fy);
}

void TouchPad::mousePressEvent(QMouseEvent *event)
{
    place(event->button(), event->position());
    publish();
}

void TouchPad::mouseMoveEvent(QMouseEvent *event)
{
    place(event->buttons(), event->position());
    publish();
}

void TouchPad::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_fingers[0].reset();
    if (event->button() == Qt::RightButton)
        m_fingers[1].reset();
    publish();
}

void TouchPad::publish()
{
    std::vector<Touch> touches;
    for (std::size_t i = 0; i < m_fingers.size(); ++i) {
        if (m_fingers[i])
            touches.push_back(Touch{std::uint8_t(i), std::uint16_t(m_fingers[i]->x()), std::uint16_t(m_fingers[i]->y())});
    }
    if (m_sink)
        m_sink(touches);
    update();
}

} // namespace emulator
