#include "IndicatorPictures.h"

#include "platform/LazyIcon.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <iterator>

namespace IndicatorPictures
{

namespace
{

QImage badge(int side, const QColor& light, const QColor& dark)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(side * 0.04, side * 0.04, side * 0.92, side * 0.92);
    QRadialGradient fill(circle.center() - QPointF(side * 0.15, side * 0.15), side * 0.6);
    fill.setColorAt(0.0, light);
    fill.setColorAt(1.0, dark);
    painter.setBrush(fill);
    painter.setPen(QPen(dark.darker(130), qMax(1.0, side / 24.0)));
    painter.drawEllipse(circle);
    return image;
}

QPen markPen(int side)
{
    QPen pen(Qt::white, qMax(2.0, side * 0.14));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

} // namespace

QPixmap Fits(int side)
{
    QImage image = badge(side, QColor(0x6c, 0xd6, 0x5c), QColor(0x1e, 0x8a, 0x2a));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(markPen(side));
    QPainterPath check;
    check.moveTo(side * 0.27, side * 0.52);
    check.lineTo(side * 0.43, side * 0.68);
    check.lineTo(side * 0.74, side * 0.34);
    painter.drawPath(check);
    painter.end();
    return QPixmap::fromImage(image);
}

QPixmap Exceeds(int side)
{
    QImage image = badge(side, QColor(0xf2, 0x6b, 0x5e), QColor(0xb3, 0x1b, 0x1b));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(markPen(side));
    painter.drawLine(QPointF(side * 0.33, side * 0.33), QPointF(side * 0.67, side * 0.67));
    painter.drawLine(QPointF(side * 0.67, side * 0.33), QPointF(side * 0.33, side * 0.67));
    painter.end();
    return QPixmap::fromImage(image);
}

namespace
{

constexpr int Sides[] = { 16, 24, 32, 48 };

// Drawn when first shown, so that building the main window does not wait for them.
QIcon lazyIcon(QPixmap (*draw)(int side))
{
    return LazyIcon::Make(
        [draw] {
            QIcon icon;
            for (const int side : Sides)
                icon.addPixmap(draw(side));
            return icon;
        },
        Sides[std::size(Sides) - 1]);
}

} // namespace

QIcon FitsIcon()
{
    return lazyIcon(&Fits);
}

QIcon ExceedsIcon()
{
    return lazyIcon(&Exceeds);
}

} // namespace IndicatorPictures
