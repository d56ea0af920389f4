#include "XpB.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace
{

const QColor DefaultHoverColor(225, 153, 71);
const QColor DefaultFocusColor(140, 170, 230);
const QColor XpBorderColor(0, 60, 116);
const QColor XpCornerColor(122, 149, 168);

constexpr int CaptionFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
constexpr int SidePadding = 8; // beyond the content inset, so that a caption never touches the frame
constexpr int MinimumCaptionButtonWidth = 80;

QRect centred(const QSize& size, const QRect& within)
{
    return QRect(within.left() + (within.width() - size.width()) / 2,
        within.top() + (within.height() - size.height()) / 2, size.width(), size.height());
}

void drawHorizontal(QPainter& painter, int y, int x1, int x2, const QColor& color)
{
    painter.setPen(color);
    painter.drawLine(x1, y, x2, y);
}

void drawVertical(QPainter& painter, int x, int y1, int y2, const QColor& color)
{
    painter.setPen(color);
    painter.drawLine(x, y1, x, y2);
}

} // namespace

XpB::XpB(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent)
{
    setIconSize(QSize(32, 32));
    setMouseTracking(true);
    setAutoDefault(false);
    m_xpColorPressed = palette().color(QPalette::Light);
    m_xpColorHover = palette().color(QPalette::Midlight);
}

void XpB::setCaption(const QString& caption)
{
    setText(caption); // also registers the access key
    update();
}

void XpB::setShowFocusRect(bool on)
{
    m_showFocusRect = on;
    update();
}

void XpB::setPicturePosition(int position)
{
    m_picturePosition = qBound(int(Above), position, int(Below));
    updateGeometry();
    update();
}

void XpB::setButtonStyle(int style)
{
    m_buttonStyle = qBound(int(Raised), style, int(XP));
    update();
}

void XpB::setPictureWidth(int width)
{
    setIconSize(QSize(width, PictureHeight()));
    update();
}

void XpB::setPictureHeight(int height)
{
    setIconSize(QSize(PictureWidth(), height));
    update();
}

void XpB::setMaskColor(const QColor& color)
{
    m_maskColor = color;
    applyPicture();
}

void XpB::setUseMaskColor(bool on)
{
    m_useMaskColor = on;
    applyPicture();
}

void XpB::setPicture(const QImage& bitmap)
{
    m_bitmap = bitmap;
    applyPicture();
}

void XpB::applyPicture()
{
    if (m_bitmap.isNull()) {
        update();
        return;
    }
    m_shownBitmap = TransparentBitmap(m_bitmap, m_useMaskColor ? std::optional<QColor>(m_maskColor) : std::nullopt);
    setIcon(QIcon(QPixmap::fromImage(m_shownBitmap)));
    updateGeometry();
    update();
}

void XpB::setEnabledCtrl(bool enabled)
{
    setEnabled(enabled);
    setDown(false);
    m_hovered = false;
    update();
}

QColor XpB::Shade(const QColor& c, int d)
{
    return QColor(qBound(0, c.red() + d, 255), qBound(0, c.green() + d, 255), qBound(0, c.blue() + d, 255));
}

XpB::Layout XpB::Arrange(const QSize& buttonSize, const QSize& captionSize, const QSize& pictureSize, int position)
{
    const QRect content
        = QRect(QPoint(0, 0), buttonSize).adjusted(ContentInset, ContentInset, -ContentInset, -ContentInset);
    const bool hasCaption = !captionSize.isEmpty();
    const bool hasPicture = !pictureSize.isEmpty();
    if (!hasPicture)
        return { hasCaption ? centred(captionSize, content) : QRect(), QRect() };
    if (!hasCaption)
        return { QRect(), centred(pictureSize, content) };

    const bool sideBySide = position == Left || position == Right;
    const bool pictureFirst = position == Left || position == Above;
    const QSize& first = pictureFirst ? pictureSize : captionSize;
    const QSize& second = pictureFirst ? captionSize : pictureSize;
    QRect firstRect;
    QRect secondRect;
    if (sideBySide) {
        const int groupWidth = first.width() + PictureGap + second.width();
        const int left = content.left() + (content.width() - groupWidth) / 2;
        firstRect = centred(first, QRect(left, content.top(), first.width(), content.height()));
        secondRect = centred(
            second, QRect(left + first.width() + PictureGap, content.top(), second.width(), content.height()));
    } else {
        const int groupHeight = first.height() + PictureGap + second.height();
        const int top = content.top() + (content.height() - groupHeight) / 2;
        firstRect = centred(first, QRect(content.left(), top, content.width(), first.height()));
        secondRect = centred(
            second, QRect(content.left(), top + first.height() + PictureGap, content.width(), second.height()));
    }
    return pictureFirst ? Layout { secondRect, firstRect } : Layout { firstRect, secondRect };
}

QImage XpB::TransparentBitmap(const QImage& bitmap, std::optional<QColor> maskColor)
{
    if (bitmap.isNull())
        return bitmap;
    QImage result = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = (maskColor ? maskColor->rgb() : bitmap.pixelColor(0, 0).rgb()) | 0xff000000u;
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if ((line[x] | 0xff000000u) == transparent)
                line[x] = 0;
        }
    }
    return result;
}

QSize XpB::captionSize(const QRect& room) const
{
    if (text().isEmpty())
        return {};
    return fontMetrics().boundingRect(room, CaptionFlags, text()).size();
}

XpB::Layout XpB::currentLayout() const
{
    const QRect content = rect().adjusted(ContentInset, ContentInset, -ContentInset, -ContentInset);
    const QSize picture = icon().isNull() ? QSize() : iconSize();
    QRect room = content;
    if (!picture.isEmpty()) {
        if (m_picturePosition == Left || m_picturePosition == Right)
            room.setWidth(qMax(1, content.width() - picture.width() - PictureGap));
        else
            room.setHeight(qMax(1, content.height() - picture.height() - PictureGap));
    }
    return Arrange(size(), captionSize(room), picture, m_picturePosition);
}

QSize XpB::captionHint() const
{
    // Laying out the caption is the dearest part of a size hint, and layouts ask for it again and again.
    if (text() != m_hintText || font() != m_hintFont) {
        m_hintText = text();
        m_hintFont = font();
        m_captionHint = m_hintText.isEmpty() ? QSize() : fontMetrics().size(Qt::TextShowMnemonic, m_hintText);
    }
    return m_captionHint;
}

QSize XpB::sizeHint() const
{
    const QSize caption = captionHint();
    const QSize picture = icon().isNull() ? QSize() : iconSize();
    QSize group = caption;
    if (!picture.isEmpty()) {
        const int gap = caption.isEmpty() ? 0 : PictureGap;
        if (m_picturePosition == Left || m_picturePosition == Right)
            group = QSize(caption.width() + gap + picture.width(), qMax(caption.height(), picture.height()));
        else
            group = QSize(qMax(caption.width(), picture.width()), caption.height() + gap + picture.height());
    }
    const int padding = caption.isEmpty() ? 0 : SidePadding;
    const int width = group.width() + 2 * (ContentInset + padding);
    const int height = group.height() + 2 * ContentInset + (caption.isEmpty() ? 0 : 4);
    return QSize(caption.isEmpty() ? width : qMax(width, MinimumCaptionButtonWidth), height);
}

QSize XpB::minimumSizeHint() const
{
    return sizeHint();
}

void XpB::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_buttonStyle == XP) {
        paintXpLook(painter);
    } else {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        paintClassicFrame(painter);
    }

    const Layout layout = currentLayout();
    const QPoint shift = isDown() ? QPoint(1, 1) : QPoint();
    if (!layout.caption.isNull())
        paintCaption(painter, layout.caption.translated(shift));
    if (!layout.picture.isNull())
        paintPicture(painter, layout.picture.translated(shift));

    if (hasFocus() && m_showFocusRect && m_buttonStyle != XP) {
        QPen pen(palette().color(QPalette::ButtonText), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(ContentInset, ContentInset, -ContentInset - 1, -ContentInset - 1));
    }
}

void XpB::paintClassicFrame(QPainter& painter) const
{
    const int right = width() - 1;
    const int bottom = height() - 1;
    const QColor highlight = palette().color(QPalette::Light);
    QColor topLeft;
    QColor bottomRight;
    if (isDown()) {
        topLeft = Qt::black;
        bottomRight = highlight;
    } else if (m_hovered || m_buttonStyle == Raised) {
        topLeft = highlight;
        bottomRight = Qt::black;
    } else {
        return;
    }
    drawHorizontal(painter, 0, 0, right, topLeft);
    drawVertical(painter, 0, 0, bottom, topLeft);
    drawHorizontal(painter, bottom, 0, right, bottomRight);
    drawVertical(painter, right, 0, bottom, bottomRight);
}

void XpB::paintXpLook(QPainter& painter) const
{
    const int w = width();
    const int h = height();
    const int right = w - 1;
    const int bottom = h - 1;
    const QColor lightBase = Shade(palette().color(QPalette::Button), 48);

    QColor border = XpBorderColor;
    QColor corner = XpCornerColor;
    if (!isEnabled()) {
        painter.fillRect(QRect(1, 1, w - 2, h - 2), Shade(lightBase, -24));
        border = Shade(lightBase, -84);
        corner = Shade(lightBase, -54);
    } else if (isDown()) {
        const QColor base = Shade(lightBase, -32);
        for (int y = 1; y <= h; ++y) {
            const int row = h - y;
            if (row >= 1 && row < bottom)
                drawHorizontal(painter, row, 1, right - 1, Shade(base, -(25 * y / h)));
        }
    } else {
        for (int y = 1; y <= h; ++y) {
            const int row = y - 1;
            if (row >= 1 && row < bottom)
                drawHorizontal(painter, row, 1, right - 1, Shade(Qt::white, -(50 * y / h)));
        }
    }

    if (isEnabled() && (m_hovered || hasFocus()) && w > 6 && h > 6) {
        const QColor hover = m_xpDefaultColors ? DefaultHoverColor : m_xpColorHover;
        const QColor focus = m_xpDefaultColors ? DefaultFocusColor : m_xpColorPressed;
        const QColor c = m_hovered ? hover : focus;
        drawHorizontal(painter, 1, 2, right - 2, Shade(c, 90));
        drawHorizontal(painter, 2, 1, right - 1, Shade(c, 35));
        drawVertical(painter, 1, 2, bottom - 2, c);
        drawVertical(painter, right - 1, 2, bottom - 2, c);
        drawVertical(painter, 2, 3, bottom - 3, Shade(c, 20));
        drawVertical(painter, right - 2, 3, bottom - 3, Shade(c, 20));
        drawHorizontal(painter, bottom - 2, 2, right - 2, c);
        drawHorizontal(painter, bottom - 1, 2, right - 2, Shade(c, -40));
    }

    // A one-pixel box whose corners are cut and softened, so that the button looks rounded.
    drawHorizontal(painter, 0, 2, right - 2, border);
    drawHorizontal(painter, bottom, 2, right - 2, border);
    drawVertical(painter, 0, 2, bottom - 2, border);
    drawVertical(painter, right, 2, bottom - 2, border);
    painter.setPen(corner);
    painter.drawPoint(1, 1);
    painter.drawPoint(right - 1, 1);
    painter.drawPoint(1, bottom - 1);
    painter.drawPoint(right - 1, bottom - 1);
}

void XpB::paintCaption(QPainter& painter, const QRect& rect) const
{
    if (!isEnabled()) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(rect.translated(1, 1), CaptionFlags, text());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(rect, CaptionFlags, text());
        return;
    }
    QColor color = palette().color(QPalette::ButtonText);
    // The XP face is always light; a dark theme's light button text would vanish on it.
    if (m_buttonStyle == XP && color.lightness() > 140)
        color = Qt::black;
    painter.setPen(color);
    painter.drawText(rect, CaptionFlags, text());
}

void XpB::paintPicture(QPainter& painter, const QRect& rect) const
{
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    if (m_bitmap.isNull()) {
        icon().paint(&painter, rect, Qt::AlignCenter, mode);
        return;
    }
    // A bitmap is stretched to the picture size, which QIcon never does for a smaller pixmap.
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(
        m_shownBitmap.scaled(rect.size() * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    if (!isEnabled()) {
        QStyleOption option;
        option.initFrom(this);
        pixmap = style()->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
    }
    painter.drawPixmap(rect, pixmap);
}

void XpB::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    update();
}

void XpB::mousePressEvent(QMouseEvent* event)
{
    QPushButton::mousePressEvent(event);
    update();
}

void XpB::mouseMoveEvent(QMouseEvent* event)
{
    setHovered(rect().contains(event->position().toPoint()));
    QPushButton::mouseMoveEvent(event);
}

void XpB::mouseReleaseEvent(QMouseEvent* event)
{
    m_hovered = false;
    update();
    QPushButton::mouseReleaseEvent(event);
}

void XpB::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && !isDown())
        m_hovered = true;
    QPushButton::keyPressEvent(event);
}

void XpB::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        m_hovered = false;
    QPushButton::keyReleaseEvent(event);
}

void XpB::enterEvent(QEnterEvent* event)
{
    setHovered(true);
    QPushButton::enterEvent(event);
}

void XpB::leaveEvent(QEvent* event)
{
    setHovered(false);
    QPushButton::leaveEvent(event);
}

void XpB::focusInEvent(QFocusEvent* event)
{
    m_hovered = false;
    QPushButton::focusInEvent(event);
    update();
}

void XpB::focusOutEvent(QFocusEvent* event)
{
    m_hovered = false;
    QPushButton::focusOutEvent(event);
    update();
}

void XpB::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        m_hovered = false;
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QPushButton::changeEvent(event);
}
