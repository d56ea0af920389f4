#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

class QScrollBar;

// The picture viewer: shows a picture either fitted into the viewer (fit view) or at its natural size
// (full-size view), where it scrolls with the scroll bars and can be dragged with the mouse. The viewer
// keeps the aspect 1.33 : 1 unless a layout manages its size. A new picture always starts in the fit
// view with its top left corner in view.
//
// Parts, found by object name: "ImgShow" (the fit view), "picShow" (the full-size view), "xScroll" and
// "yScroll" (the scroll bars, shown in the full-size view when the picture overflows the viewer). The
// value of a scroll bar runs against the position: its maximum shows the left (top) edge.
class ScrollingPic final : public QWidget
{
    Q_OBJECT

public:
    static constexpr double Aspect = 1.33;

    explicit ScrollingPic(QWidget* parent = nullptr);
    ~ScrollingPic() override;

    // Loads and shows the picture file (a lower-case ".png" path is read from its BMP twin when there
    // is one). A file that cannot be read changes nothing and gives false.
    bool SetPicture(const QString& path);
    // Shows a picture already read.
    void SetImage(const QImage& picture);

    // The picture's size in pixels; 0 without a picture.
    qint32 PicXsize() const { return m_source.width(); }
    qint32 PicYsize() const { return m_source.height(); }

    // true: the full-size view; false: the fit view.
    void Fullsize(bool on);
    bool FullsizeMode() const { return m_fullsizeMode; }

    // The point of the picture shown at the full-size view's top left corner.
    QPoint Offset() const { return { m_xOffset, m_yOffset }; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayOut();
    bool KeepsAspectItself() const;
    void PlaceFitView();
    void PlaceFullView(int viewWidth, int viewHeight);
    void ShowScrollBars();
    void PaintFitView();
    void PaintFullView();
    void ViewMouseMove(const QPointF& position, Qt::MouseButtons buttons);
    void ViewMousePress(const QPointF& position, Qt::MouseButton button);
    void ViewMouseRelease();
    bool Overflows() const;

    QImage m_source; // picSource: the picture at its natural size
    QWidget* m_picShow = nullptr;
    QWidget* m_imgShow = nullptr;
    QScrollBar* m_xScroll = nullptr;
    QScrollBar* m_yScroll = nullptr;
    QPixmap m_fitCache;
    int m_xOffset = 0;
    int m_yOffset = 0;
    int m_lastX = 0;
    int m_lastY = 0;
    bool m_scrollsAcross = false;
    bool m_scrollsDown = false;
    bool m_fullsizeMode = false;
    bool m_layingOut = false;
};
