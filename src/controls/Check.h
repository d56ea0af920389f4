#pragma once

#include <QTimer>
#include <QWidget>

// The program's check box: a 13 x 13 picture that shows the value, the enabled state, the mouse over it
// and a press. Its caption is a separate label that the window places beside it. The value changes
// when the left button goes down and Click() follows when it comes up, so a Click handler sees the new
// value; setting the value from code raises nothing. Space does the same from the keyboard.
class Check : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Value READ Value WRITE setValue)

public:
    enum class Image {
        IdleChecked,
        IdleNoValue,
        MouseoverChecked,
        MouseoverNoValue,
        PushedChecked,
        PushedNoValue,
        DisabledChecked,
        DisabledNoValue,
    };

    static constexpr int BoxSize = 13; // at the usual font size; a larger font gets a larger box
    static constexpr int FocusMargin = 2; // room for the focus frame around the box
    static constexpr int HoverIntervalMs = 50;

    explicit Check(QWidget* parent = nullptr);

    bool Value() const { return m_value; }
    void setValue(bool value);

    Image shownImage() const { return m_image; }
    // The side of the box: BoxSize, or three quarters of the font's line height when that is more.
    int boxSide() const;
    static QString ImagePath(Image image);

    QSize sizeHint() const override;

signals:
    void Click();
    void DblClick();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void press();
    void release();
    void showImage(Image image);
    void showRestingImage();
    void hoverTick();

    bool m_value = false;
    bool m_pressed = false;
    Image m_image = Image::IdleNoValue;
    QTimer m_hoverTimer;
};
