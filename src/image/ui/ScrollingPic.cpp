#include "ScrollingPic.h"

#include "image/ImageSelection.h"

#include <QApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

ScrollingPic::ScrollingPic(QWidget* parent)
    : QWidget(parent)
    , m_picShow(new QWidget(this))
    , m_imgShow(new QWidget(this))
    , m_xScroll(new QScrollBar(Qt::Horizontal, this))
    , m_yScroll(new QScrollBar(Qt::Vertical, this))
{
    m_picShow->setObjectName(QStringLiteral("picShow"));
    m_imgShow->setObjectName(QStringLiteral("ImgShow"));
    m_xScroll->setObjectName(QStringLiteral("xScroll"));
    m_yScroll->setObjectName(QStringLiteral("yScroll"));
    m_picShow->installEventFilter(this);
    m_imgShow->installEventFilter(this);
    // Every move counts, so that a drag starts from the point where the button went down.
    m_picShow->setMouseTracking(true);
    m_picShow->hide();
    m_xScroll->hide();
    m_yScroll->hide();
    m_xScroll->setRange(0, 0);
    m_yScroll->setRange(0, 0);
    // The values run against the position in the picture. Drawn inverted, the thumb sits where the
    // view is; every step the bar takes by itself (arrows, trough, keys) is mirrored so that it moves
    // the view the way the user points. Dragging the thumb needs no mirror.
    for (QScrollBar* bar : { m_xScroll, m_yScroll }) {
        bar->setInvertedAppearance(true);
        bar->installEventFilter(this);
        connect(bar, &QAbstractSlider::actionTriggered, this, [bar](int action) { MirrorAction(bar, action); });
    }

    connect(m_xScroll, &QScrollBar::valueChanged, this, [this](int value) {
        m_xOffset = m_xScroll->maximum() - value;
        m_picShow->update();
    });
    connect(m_yScroll, &QScrollBar::valueChanged, this, [this](int value) {
        m_yOffset = m_yScroll->maximum() - value;
        m_picShow->update();
    });
    resize(sizeHint());
}

ScrollingPic::~ScrollingPic() = default;

QSize ScrollingPic::sizeHint() const
{
    return { 600, heightForWidth(600) };
}

int ScrollingPic::heightForWidth(int width) const
{
    return int(std::lround(width / Aspect));
}

bool ScrollingPic::SetPicture(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (!reader.canRead() || !size.isValid() || size.isEmpty())
        return false;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    Clear();
    m_path = path;
    m_pictureSize = size;
    Show();
    return true;
}

void ScrollingPic::SetImage(const QImage& picture)
{
    Clear();
    m_full = picture;
    m_pictureSize = picture.size();
    Show();
}

void ScrollingPic::Clear()
{
    m_path.clear();
    m_full = QImage();
    m_pictureSize = QSize(0, 0);
    m_fitCache = QPixmap();
}

void ScrollingPic::Show()
{
    m_xOffset = 0;
    m_yOffset = 0;
    LayOut();
    Fullsize(false);
    m_picShow->update();
}

void ScrollingPic::Fullsize(bool on)
{
    // A picture from a file is held at full size only as long as the full-size view shows it.
    if (!m_path.isEmpty() && on && m_full.isNull())
        m_full = ImageSelection::LoadPicture(m_path);
    else if (!m_path.isEmpty() && !on)
        m_full = QImage();
    m_fullsizeMode = on;
    m_imgShow->setVisible(!on);
    m_picShow->setVisible(on);
    ShowScrollBars();
    if (!on)
        m_imgShow->update();
}

void ScrollingPic::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

bool ScrollingPic::KeepsAspectItself() const
{
    // Inside a layout the layout decides the size (and may ask heightForWidth); elsewhere the viewer
    // sets its own height.
    const QWidget* parent = parentWidget();
    return parent == nullptr || parent->layout() == nullptr || parent->layout()->indexOf(this) < 0;
}

void ScrollingPic::LayOut()
{
    if (m_layingOut)
        return;
    m_layingOut = true;
    if (KeepsAspectItself() && height() != heightForWidth(width()))
        resize(width(), heightForWidth(width()));

    const int width = this->width();
    const int height = this->height();
    const int pictureWidth = m_pictureSize.width();
    const int pictureHeight = m_pictureSize.height();

    // A scroll bar is needed in a direction where the picture is larger than the view; a bar takes
    // room from the view across it, which can make the other bar needed too.
    const int barWidth = m_yScroll->sizeHint().width();
    const int barHeight = m_xScroll->sizeHint().height();
    bool across = pictureWidth > width;
    bool down = pictureHeight > height;
    if (across && !down)
        down = pictureHeight > height - barHeight;
    if (down && !across)
        across = pictureWidth > width - barWidth;
    const int viewWidth = width - (down ? barWidth : 0);
    const int viewHeight = height - (across ? barHeight : 0);
    m_scrollsAcross = across;
    m_scrollsDown = down;

    // A new layout starts with the picture's top left corner in view.
    const QSignalBlocker blockX(m_xScroll);
    const QSignalBlocker blockY(m_yScroll);
    m_xScroll->setRange(0, across ? pictureWidth - viewWidth : 0);
    m_xScroll->setValue(m_xScroll->maximum());
    m_yScroll->setRange(0, down ? pictureHeight - viewHeight : 0);
    m_yScroll->setValue(m_yScroll->maximum());
    m_xScroll->setPageStep(qMax(1, viewWidth));
    m_yScroll->setPageStep(qMax(1, viewHeight));
    m_xScroll->setSingleStep(20);
    m_yScroll->setSingleStep(20);
    m_xScroll->setGeometry(0, height - barHeight, viewWidth, barHeight);
    m_yScroll->setGeometry(width - barWidth, 0, barWidth, viewHeight);
    m_xOffset = 0;
    m_yOffset = 0;
    m_lastX = m_xScroll->value();
    m_lastY = m_yScroll->value();

    PlaceFitView();
    PlaceFullView(viewWidth, viewHeight);
    ShowScrollBars();

    if (Overflows())
        m_picShow->setCursor(Qt::OpenHandCursor);
    else
        m_picShow->unsetCursor();
    m_picShow->update();
    m_imgShow->update();
    m_layingOut = false;
}

bool ScrollingPic::Overflows() const
{
    return m_scrollsAcross || m_scrollsDown;
}

void ScrollingPic::PlaceFitView()
{
    const int width = this->width();
    const int height = this->height();
    const int pictureWidth = m_pictureSize.width();
    const int pictureHeight = m_pictureSize.height();
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        m_imgShow->setGeometry(0, 0, 0, 0);
        return;
    }
    if (pictureWidth <= width || pictureHeight <= height) {
        // Not larger both ways: natural size, centred both ways. A picture that is only wider (or only
        // higher) than the viewer is cut off at both sides in this view; the full-size view scrolls it.
        m_imgShow->setGeometry((width - pictureWidth) / 2, (height - pictureHeight) / 2, pictureWidth, pictureHeight);
        return;
    }
    // Larger both ways: a picture wider than the viewer's aspect takes the full width and is centred
    // vertically, any other the full height and is centred horizontally.
    const double ratio = double(pictureWidth) / double(pictureHeight);
    if (ratio > Aspect) {
        const int fitHeight = qMax(1, int(std::lround(width / ratio)));
        m_imgShow->setGeometry(0, (height - fitHeight) / 2, width, fitHeight);
    } else {
        const int fitWidth = qMax(1, int(std::lround(height * ratio)));
        m_imgShow->setGeometry((width - fitWidth) / 2, 0, fitWidth, height);
    }
}

void ScrollingPic::PlaceFullView(int viewWidth, int viewHeight)
{
    // In a direction where the picture overflows, the view spans the viewer and scrolls; where it
    // does not, the view has the picture's size and is centred.
    const int pictureWidth = m_pictureSize.width();
    const int pictureHeight = m_pictureSize.height();
    const int left = m_scrollsAcross ? 0 : (viewWidth - pictureWidth) / 2;
    const int top = m_scrollsDown ? 0 : (viewHeight - pictureHeight) / 2;
    const QRect view(left, top, m_scrollsAcross ? viewWidth : pictureWidth, m_scrollsDown ? viewHeight : pictureHeight);
    m_picShow->setGeometry(view);
}

void ScrollingPic::ShowScrollBars()
{
    m_xScroll->setVisible(m_fullsizeMode && m_scrollsAcross);
    m_yScroll->setVisible(m_fullsizeMode && m_scrollsDown);
    m_xScroll->raise();
    m_yScroll->raise();
}

void ScrollingPic::PaintFullView()
{
    QPainter painter(m_picShow);
    painter.fillRect(m_picShow->rect(), palette().window());
    if (m_full.isNull())
        return;
    const QRect block(m_xOffset, m_yOffset, m_picShow->width(), m_picShow->height());
    painter.drawImage(QPoint(0, 0), m_full, block);
}

void ScrollingPic::PaintFitView()
{
    const QSize size = m_imgShow->size();
    if (m_pictureSize.isEmpty() || size.isEmpty())
        return;
    if (m_fitCache.size() != size) {
        // A picture from a file is decoded straight to the size the fit view shows.
        QImage scaled;
        if (!m_path.isEmpty())
            scaled = ImageSelection::LoadPicture(m_path, size == m_pictureSize ? QSize() : size);
        else
            scaled
                = size == m_full.size() ? m_full : m_full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (scaled.size() != size && !scaled.isNull())
            scaled = scaled.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_fitCache = QPixmap::fromImage(scaled);
    }
    QPainter painter(m_imgShow);
    painter.drawPixmap(0, 0, m_fitCache);
}

void ScrollingPic::ViewMouseMove(const QPointF& position, Qt::MouseButtons buttons)
{
    const int x = int(std::lround(position.x()));
    const int y = int(std::lround(position.y()));
    if (x < 0 || y < 0 || x > m_picShow->width() || y > m_picShow->height())
        return;
    if (buttons & Qt::LeftButton) {
        // A step is taken only while it stays strictly inside the scroll range.
        if (m_scrollsAcross) {
            const int candidate = x - m_lastX + m_xScroll->value();
            if (candidate > m_xScroll->minimum() && candidate < m_xScroll->maximum())
                m_xScroll->setValue(candidate);
        }
        if (m_scrollsDown) {
            const int candidate = y - m_lastY + m_yScroll->value();
            if (candidate > m_yScroll->minimum() && candidate < m_yScroll->maximum())
                m_yScroll->setValue(candidate);
        }
        m_picShow->update();
    }
    m_lastX = x;
    m_lastY = y;
}

void ScrollingPic::ViewMousePress(const QPointF& position, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    m_lastX = int(std::lround(position.x()));
    m_lastY = int(std::lround(position.y()));
    if (Overflows())
        m_picShow->setCursor(Qt::ClosedHandCursor);
}

void ScrollingPic::ViewMouseRelease()
{
    if (Overflows())
        m_picShow->setCursor(Qt::OpenHandCursor);
}

void ScrollingPic::MirrorAction(QScrollBar* bar, int action)
{
    // The bar has already taken the step its way (cut at the end of its range); take it the other way.
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        bar->setSliderPosition(bar->value() - bar->singleStep());
        break;
    case QAbstractSlider::SliderSingleStepSub:
        bar->setSliderPosition(bar->value() + bar->singleStep());
        break;
    case QAbstractSlider::SliderPageStepAdd:
        bar->setSliderPosition(bar->value() - bar->pageStep());
        break;
    case QAbstractSlider::SliderPageStepSub:
        bar->setSliderPosition(bar->value() + bar->pageStep());
        break;
    case QAbstractSlider::SliderToMinimum:
        bar->setSliderPosition(bar->maximum());
        break;
    case QAbstractSlider::SliderToMaximum:
        bar->setSliderPosition(bar->minimum());
        break;
    default:
        break;
    }
}

bool ScrollingPic::ScrollByWheel(const QWheelEvent* event)
{
    // A turn of the wheel towards the user shows what lies below (turned sideways, or with Shift, what
    // lies to the right), as many lines a notch as the desktop asks for.
    QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ShiftModifier)
        delta = QPoint(delta.y(), delta.x());
    const int lines = QApplication::wheelScrollLines();
    const auto scroll = [lines](QScrollBar* bar, bool active, int angle) {
        if (!active || angle == 0)
            return;
        const int pixels = angle * lines * bar->singleStep() / 120;
        // The value runs against the position: a larger offset is a smaller value.
        bar->setValue(bar->value() + pixels);
    };
    scroll(m_yScroll, m_scrollsDown, delta.y());
    scroll(m_xScroll, m_scrollsAcross, delta.x());
    return true;
}

bool ScrollingPic::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && (watched == m_xScroll || watched == m_yScroll || watched == m_picShow)) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        // Over a scroll bar the wheel moves along that bar.
        if (watched == m_xScroll && wheel->angleDelta().x() == 0 && !(wheel->modifiers() & Qt::ShiftModifier)) {
            QWheelEvent across(wheel->position(), wheel->globalPosition(), wheel->pixelDelta(),
                QPoint(wheel->angleDelta().y(), 0), wheel->buttons(), wheel->modifiers(), wheel->phase(),
                wheel->inverted());
            return ScrollByWheel(&across);
        }
        return ScrollByWheel(wheel);
    }
    if (watched == m_xScroll && event->type() == QEvent::KeyPress) {
        // Across, the bar already turns its arrow keys for its inverted drawing; the mirror of its other
        // steps would turn them back.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            m_xScroll->setValue(m_xScroll->value() + (key == Qt::Key_Left ? 1 : -1) * m_xScroll->singleStep());
            return true;
        }
    }
    if (watched == m_picShow) {
        switch (event->type()) {
        case QEvent::Paint:
            PaintFullView();
            return true;
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            ViewMouseMove(mouse->position(), mouse->buttons());
            return true;
        }
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            ViewMousePress(mouse->position(), mouse->button());
            return true;
        }
        case QEvent::MouseButtonRelease:
            ViewMouseRelease();
            return true;
        default:
            break;
        }
    } else if (watched == m_imgShow && event->type() == QEvent::Paint) {
        PaintFitView();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
