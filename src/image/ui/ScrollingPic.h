#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

class QScrollBar;
class QWheelEvent;

// The picture viewer: shows a picture either fitted into the viewer (fit view) or at its natural size
// (full-size view), where it scrolls with the scroll bars and can be dragged with the mouse. The viewer
// keeps the aspect 1.33 : 1 unless a layout manages its size. A new picture always starts in the fit
// view with its top left corner in view.
//
// Parts, found by object name: "ImgShow" (the fit view), "picShow" (the full-size view), "xScroll" and
// "yScroll" (the scroll bars, shown in the full-size view when the picture overflows the viewer). The
// value of a scroll bar runs against the position: its maximum shows the left (top) edge. The bars are
// drawn and operated so that their arrows, trough, wheel and keys move the view like any viewer's.
//
// A picture read from a file is kept only as the preview that the fit view needs, decoded at that
// size; the full size is decoded when the full-size view opens and released when it closes.
class ScrollingPic final : public QWidget
{
    Q_OBJECT

public:
    static constexpr double Aspect = 1.33;

    explicit ScrollingPic(QWidget* parent = nullptr);
    ~ScrollingPic() override;

    // Shows the picture file, turned as its EXIF orientation says. A file that cannot be read changes
    // nothing and gives false.
    bool SetPicture(const QString& path);
    // Shows a picture already read (it is kept whole).
    void SetImage(const QImage& picture);

    // The picture's size in pixels as shown; 0 without a picture.
    qint32 PicXsize() const { return m_pictureSize.width(); }
    qint32 PicYsize() const { return m_pictureSize.height(); }

    // The picture decoded at full size, which exists only while the full-size view needs it (or
    // always for a picture given by SetImage).
    const QImage& FullPicture() const { return m_full; }

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
    bool ScrollByWheel(const QWheelEvent* event);
    void Show();
    static void MirrorAction(QScrollBar* bar, int action);
    void Clear();

    QString m_path; // the file shown, empty for a picture given whole
    QSize m_pictureSize { 0, 0 }; // picSource's size: the picture's natural size
    QImage m_full; // picSource's pixels, when held
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
