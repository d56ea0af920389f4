#pragma once

#include <QObject>

class QWidget;

// A list or spin box that the mouse wheel changes only after the user has clicked or tabbed into it,
// so that scrolling across the window never picks another entry by chance.
class WheelNeedsFocus final : public QObject
{
    Q_OBJECT

public:
    // Installs itself on the widget, which also becomes its parent.
    static void Install(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
