#pragma once

#include "XpB.h"

#include <QIcon>
#include <QString>

class QWidget;

// Every window takes its buttons from here, so the look of all buttons is decided in one place: the
// program's own button in its XP look.
namespace Buttons
{

XpB* CreateButton(const QString& caption, const QString& objectName, QWidget* parent = nullptr);

// A square button that shows a picture and, as tooltip, what it does.
XpB* CreateImageButton(const QIcon& icon, const QString& toolTip, const QString& objectName, QWidget* parent = nullptr);

} // namespace Buttons
