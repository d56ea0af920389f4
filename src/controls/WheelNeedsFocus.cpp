#include "WheelNeedsFocus.h"

#include <QEvent>
#include <QWidget>

void WheelNeedsFocus::Install(QWidget* widget)
{
    // The wheel alone no longer gives the focus.
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->installEventFilter(new WheelNeedsFocus(widget));
}

bool WheelNeedsFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel) {
        auto* widget = static_cast<QWidget*>(watched);
        if (!widget->hasFocus()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
