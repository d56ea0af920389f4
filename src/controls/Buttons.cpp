#include "Buttons.h"

#include "XpB.h"

namespace Buttons
{

XpB* CreateButton(const QString& caption, const QString& objectName, QWidget* parent)
{
    auto* button = new XpB(caption, parent);
    button->setObjectName(objectName);
    button->setButtonStyle(XpB::XP);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

XpB* CreateImageButton(const QIcon& icon, const QString& toolTip, const QString& objectName, QWidget* parent)
{
    auto* button = new XpB(QString(), parent);
    button->setObjectName(objectName);
    button->setButtonStyle(XpB::XP);
    button->setIcon(icon);
    button->setIconSize(QSize(20, 20));
    button->setFixedSize(30, 30);
    button->setToolTip(toolTip);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace Buttons
