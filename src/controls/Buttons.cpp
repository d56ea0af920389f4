#include "Buttons.h"

#include <QPushButton>

namespace Buttons
{

QPushButton* CreateButton(const QString& caption, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setMinimumHeight(30);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QPushButton* CreateImageButton(const QIcon& icon, const QString& toolTip, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(objectName);
    button->setIcon(icon);
    button->setIconSize(QSize(20, 20));
    button->setFixedSize(30, 30);
    button->setToolTip(toolTip);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace Buttons
