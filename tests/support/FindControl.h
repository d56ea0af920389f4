#pragma once

#include <QWidget>
#include <QtGlobal>

// A window's control by its objectName; a missing control ends the test at once with its name.
template <typename T>
T* FindControl(const QWidget& window, const char* name)
{
    auto* widget = window.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("control %s is missing", name);
    return widget;
}
