#pragma once

#include <QIcon>
#include <QString>

class QPushButton;
class QWidget;

// Every window takes its buttons from here, so the look of all buttons is decided in one place.
namespace Buttons
{

QPushButton* CreateButton(const QString& caption, const QString& objectName, QWidget* parent = nullptr);

// A square button that shows a picture and, as tooltip, what it does.
QPushButton* CreateImageButton(
    const QIcon& icon, const QString& toolTip, const QString& objectName, QWidget* parent = nullptr);

} // namespace Buttons
