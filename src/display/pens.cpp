#include "pens.h"

#include <array>

namespace quilex_gui_qtlib::pens {

namespace {

QPen makePen(const QColor &colour, qreal width, Qt::PenStyle style, Qt::PenCapStyle cap)
{
    return QPen(QBrush(colour), width, style, cap, Qt::BevelJoin);
}

} // namespace

const QPen &framePen()
{
    static const QPen pen = makePen(QColor(Qt::darkGray), 1, Qt::DashDotLine, Qt::SquareCap);
    return pen;
}

const QPen &layoutPen()
{
    static const QPen pen = makePen(QColor(Qt::lightGray), 2, Qt::SolidLine, Qt::SquareCap);
    return pen;
}

const QPen &inRangePen()
{
    static const QPen pen = makePen(QColor(0, 255, 0, 160), 6, Qt::SolidLine, Qt::RoundCap);
    return pen;
}

const QPen &outOfRangePen()
{
    static const QPen pen = makePen(QColor(255, 0, 0, 120), 6, Qt::SolidLine, Qt::RoundCap);
    return pen;
}

const QPen &trailPen(int index)
{
    static const std::array<QPen, TrailPenCount> trail = [] {
        static const int colours[10][3] = {
            {0, 255, 0},   {255, 0, 0},   {0, 0, 255},   {255, 255, 0}, {0, 255, 255},
            {255, 0, 255}, {150, 150, 0}, {150, 0, 150}, {0, 150, 150}, {150, 150, 150},
        };
        std::array<QPen, TrailPenCount> pens;
        for (int i = 0; i < TrailPenCount; ++i) {
            const int *c = colours[i % 10];
            pens[static_cast<std::size_t>(i)] =
                makePen(QColor(c[0], c[1], c[2], 100), 2, Qt::SolidLine, Qt::RoundCap);
        }
        return pens;
    }();
    const int i = ((index % TrailPenCount) + TrailPenCount) % TrailPenCount;
    return trail[static_cast<std::size_t>(i)];
}

} // namespace quilex_gui_qtlib::pens
