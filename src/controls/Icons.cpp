#include "Icons.h"

#include "platform/LazyIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

#include <functional>

namespace
{

constexpr int Size = 40; // drawn at twice the shown size for crisp high-density screens
const QColor Ink(0x2b, 0x4a, 0x78);

using Glyph = std::function<void(QPainter&)>;

QPixmap render(const Glyph& glyph)
{
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Ink, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    glyph(painter);
    painter.end();
    return pixmap;
}

// Drawn when first shown, so that building a window does not wait for its pictures.
QIcon draw(Glyph glyph)
{
    return LazyIcon::Make([glyph = std::move(glyph)] { return QIcon(render(glyph)); }, Size);
}

void magnifier(QPainter& p)
{
    p.drawEllipse(QRectF(5, 5, 22, 22));
    p.drawLine(QPointF(24, 24), QPointF(35, 35));
}

} // namespace

namespace Icons
{

QIcon Copy()
{
    return draw([](QPainter& p) {
        p.drawRoundedRect(QRectF(6, 11, 18, 23), 3, 3);
        p.drawPolyline(
            QPolygonF({ QPointF(14, 11), QPointF(14, 6), QPointF(34, 6), QPointF(34, 27), QPointF(24, 27) }));
    });
}

QIcon OpenLink()
{
    return draw([](QPainter& p) {
        p.drawPolyline(QPolygonF({ QPointF(18, 8), QPointF(7, 8), QPointF(7, 33), QPointF(32, 33), QPointF(32, 22) }));
        p.drawLine(QPointF(18, 22), QPointF(33, 7));
        p.drawPolyline(QPolygonF({ QPointF(23, 7), QPointF(33, 7), QPointF(33, 17) }));
    });
}

QIcon Settings()
{
    return draw([](QPainter& p) {
        const QPointF centre(20, 20);
        for (int i = 0; i < 8; ++i) {
            const qreal angle = qDegreesToRadians(45.0 * i);
            const QPointF direction(qCos(angle), qSin(angle));
            p.drawLine(centre + direction * 11, centre + direction * 16);
        }
        p.drawEllipse(centre, 11, 11);
        p.drawEllipse(centre, 4, 4);
    });
}

QIcon ServerInfo()
{
    return draw([](QPainter& p) {
        p.drawEllipse(QRectF(4, 4, 32, 32));
        p.drawLine(QPointF(20, 18), QPointF(20, 29));
        p.setBrush(Ink);
        p.drawEllipse(QPointF(20, 12), 1.2, 1.2);
    });
}

QIcon Site()
{
    return draw([](QPainter& p) {
        p.drawEllipse(QRectF(4, 4, 32, 32));
        p.drawEllipse(QRectF(13, 4, 14, 32));
        p.drawLine(QPointF(5, 15), QPointF(35, 15));
        p.drawLine(QPointF(5, 25), QPointF(35, 25));
    });
}

QIcon ZoomFit()
{
    return draw([](QPainter& p) {
        magnifier(p);
        p.drawLine(QPointF(11, 16), QPointF(21, 16));
    });
}

QIcon ZoomFull()
{
    return draw([](QPainter& p) {
        magnifier(p);
        p.drawLine(QPointF(11, 16), QPointF(21, 16));
        p.drawLine(QPointF(16, 11), QPointF(16, 21));
    });
}

} // namespace Icons
