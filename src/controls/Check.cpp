#include "Check.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

// The pictures are compiled into this static library; a program that links it must register them.
static void registerControlsResources()
{
    Q_INIT_RESOURCE(controls);
}

Check::Check(QWidget* parent)
    : QWidget(parent)
{
    static const bool registered = (registerControlsResources(), true);
    Q_UNUSED(registered);

    setFixedSize(sizeHint());
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    m_hoverTimer.setInterval(HoverIntervalMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, &Check::hoverTick);
}

QString Check::ImagePath(Image image)
{
    static const char* const names[] = { "IdleChecked", "IdleNoValue", "MouseoverChecked", "MouseoverNoValue",
        "PushedChecked", "PushedNoValue", "DisabledChecked", "DisabledNoValue" };
    return QStringLiteral(":/controls/check/%1.png").arg(QLatin1String(names[static_cast<int>(image)]));
}

int Check::boxSide() const
{
    return qMax(BoxSize, fontMetrics().height() * 3 / 4);
}

QSize Check::sizeHint() const
{
    const int side = boxSide() + 2 * FocusMargin;
    return QSize(side, side);
}

void Check::setValue(bool value)
{
    m_value = value;
    showRestingImage();
}

void Check::showImage(Image image)
{
    m_image = image;
    update();
}

void Check::showRestingImage()
{
    if (isEnabled())
        showImage(m_value ? Image::IdleChecked : Image::IdleNoValue);
    else
        showImage(m_value ? Image::DisabledChecked : Image::DisabledNoValue);
}

void Check::press()
{
    m_hoverTimer.stop();
    showImage(m_value ? Image::PushedChecked : Image::PushedNoValue);
    m_value = !m_value;
    m_pressed = true;
}

void Check::release()
{
    m_pressed = false;
    emit Click();
}

void Check::hoverTick()
{
    if (!isEnabled()) {
        m_hoverTimer.stop();
        return;
    }
    if (QApplication::widgetAt(QCursor::pos()) == this) {
        showImage(m_value ? Image::MouseoverChecked : Image::MouseoverNoValue);
    } else {
        showRestingImage();
        m_hoverTimer.stop();
    }
}

void Check::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect box(FocusMargin, FocusMargin, boxSide(), boxSide());
    QIcon(ImagePath(m_image)).paint(&painter, box);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void Check::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    emit MouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
    press();
}

// A click belongs to the press that changed the value; a release of the right or middle button, or one
// that follows no press, raises nothing.
void Check::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    release();
    m_hoverTimer.start();
}

void Check::mouseMoveEvent(QMouseEvent*)
{
    if (!m_pressed)
        m_hoverTimer.start();
}

// The second press of a double click counts as a click of its own, as on any check box of the desktop.
void Check::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    emit DblClick();
    mousePressEvent(event);
}

void Check::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Space) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && !m_pressed)
        press();
}

void Check::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Space) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && m_pressed) {
        release();
        showRestingImage();
    }
}

void Check::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        setFixedSize(sizeHint());
    if (event->type() == QEvent::EnabledChange) {
        m_hoverTimer.stop();
        // A box disabled in the middle of a press gets no release: the press is taken back, so the value
        // never changes without its Click.
        if (m_pressed && !isEnabled())
            m_value = !m_value;
        m_pressed = false;
        showRestingImage();
    }
    QWidget::changeEvent(event);
}

void Check::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

// Focus that leaves in the middle of a keyboard press still completes it, so the value never changes
// without its Click.
void Check::focusOutEvent(QFocusEvent* event)
{
    if (m_pressed) {
        release();
        showRestingImage();
    }
    QWidget::focusOutEvent(event);
    update();
}
