#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPushButton>
#include <QRect>

#include <optional>

// The program's push button. It paints itself: a caption with an access key ("&" marks it, "&&" is a
// literal ampersand), an optional picture beside the caption, and one of four looks: 0 always raised,
// 1 and 2 flat until the mouse is over it, 3 the XP look with its gradient face and coloured hover and
// focus frames. Windows react to clicked() only. A press that leaves the button and is released
// outside raises no click; Space and the access key click it; a disabled button never clicks.
//
// It derives from QPushButton so that windows keep the default-button behaviour of dialogs and every
// caller that holds a QPushButton keeps working.
class XpB : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool ShowFocusRect READ ShowFocusRect WRITE setShowFocusRect)
    Q_PROPERTY(int PicturePosition READ PicturePosition WRITE setPicturePosition)
    Q_PROPERTY(int ButtonStyle READ ButtonStyle WRITE setButtonStyle)
    Q_PROPERTY(int PictureWidth READ PictureWidth WRITE setPictureWidth)
    Q_PROPERTY(int PictureHeight READ PictureHeight WRITE setPictureHeight)
    Q_PROPERTY(QColor XPColor_Pressed READ XPColor_Pressed WRITE setXPColor_Pressed)
    Q_PROPERTY(QColor XPColor_Hover READ XPColor_Hover WRITE setXPColor_Hover)
    Q_PROPERTY(bool XPDefaultColors READ XPDefaultColors WRITE setXPDefaultColors)
    Q_PROPERTY(QColor MaskColor READ MaskColor WRITE setMaskColor)
    Q_PROPERTY(bool UseMaskColor READ UseMaskColor WRITE setUseMaskColor)

public:
    enum Position { Above = 0, Left = 1, Right = 2, Below = 3 };
    enum Style { Raised = 0, Flat = 1, FlatHover = 2, XP = 3 };

    static constexpr int ContentInset = 4;
    static constexpr int PictureGap = 4;

    explicit XpB(const QString& caption = {}, QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption);
    bool ShowFocusRect() const { return m_showFocusRect; }
    void setShowFocusRect(bool on);
    int PicturePosition() const { return m_picturePosition; }
    void setPicturePosition(int position);
    int ButtonStyle() const { return m_buttonStyle; }
    void setButtonStyle(int style);
    int PictureWidth() const { return iconSize().width(); }
    void setPictureWidth(int width);
    int PictureHeight() const { return iconSize().height(); }
    void setPictureHeight(int height);
    QColor XPColor_Pressed() const { return m_xpColorPressed; }
    void setXPColor_Pressed(const QColor& color) { m_xpColorPressed = color; }
    QColor XPColor_Hover() const { return m_xpColorHover; }
    void setXPColor_Hover(const QColor& color) { m_xpColorHover = color; }
    bool XPDefaultColors() const { return m_xpDefaultColors; }
    void setXPDefaultColors(bool on) { m_xpDefaultColors = on; }
    QColor MaskColor() const { return m_maskColor; }
    void setMaskColor(const QColor& color);
    bool UseMaskColor() const { return m_useMaskColor; }
    void setUseMaskColor(bool on);

    // A bitmap picture, drawn with its transparent colour (MaskColor, or its top-left pixel's colour).
    // An icon set with setIcon() is drawn as it is.
    void setPicture(const QImage& bitmap);

    bool EnabledCtrl() const { return isEnabled(); }
    // Sets the enabled state and forgets the focus, pressed and hover looks.
    void setEnabledCtrl(bool enabled);
    void Refresh() { repaint(); }

    bool isHovered() const { return m_hovered; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The colour c with d added to each of its red, green and blue parts, each kept within 0..255.
    static QColor Shade(const QColor& c, int d);

    struct Layout {
        QRect caption;
        QRect picture;
    };
    // Caption and picture placed as one group centred in the content rectangle of a button of the given
    // size, PictureGap apart, in the order of position; an empty picture size means no picture.
    static Layout Arrange(const QSize& buttonSize, const QSize& captionSize, const QSize& pictureSize, int position);

    // The bitmap with every pixel of the transparent colour (maskColor, or the top-left pixel's colour
    // when none is given) made fully transparent.
    static QImage TransparentBitmap(const QImage& bitmap, std::optional<QColor> maskColor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Layout currentLayout() const;
    QSize captionSize(const QRect& room) const;
    // The caption's size on one line, kept for the text and font it was measured with.
    QSize captionHint() const;
    void setHovered(bool hovered);
    void applyPicture();
    void paintClassicFrame(QPainter& painter) const;
    void paintXpLook(QPainter& painter) const;
    void paintCaption(QPainter& painter, const QRect& rect) const;
    void paintPicture(QPainter& painter, const QRect& rect) const;

    bool m_showFocusRect = true;
    int m_picturePosition = Left;
    int m_buttonStyle = FlatHover;
    QColor m_xpColorPressed;
    QColor m_xpColorHover;
    bool m_xpDefaultColors = true;
    QColor m_maskColor = Qt::black;
    bool m_useMaskColor = false;
    QImage m_bitmap;
    QImage m_shownBitmap;
    bool m_hovered = false;
    mutable QString m_hintText;
    mutable QFont m_hintFont;
    mutable QSize m_captionHint;
};
