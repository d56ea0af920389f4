#include "MessageBox.h"

namespace
{

Platform::MessageHook& messageHook()
{
    static Platform::MessageHook hook;
    return hook;
}

QMessageBox::Icon toQtIcon(Platform::MessageIcon icon)
{
    switch (icon) {
    case Platform::MessageIcon::Information:
        return QMessageBox::Information;
    case Platform::MessageIcon::Warning:
        return QMessageBox::Warning;
    case Platform::MessageIcon::Error:
        return QMessageBox::Critical;
    case Platform::MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

namespace Platform
{

QMessageBox::StandardButton ShowMessage(
    QWidget* parent, const QString& text, const QString& title, MessageIcon icon, QMessageBox::StandardButtons buttons)
{
    if (messageHook())
        return messageHook()({ text, title, icon });
    QMessageBox box(toQtIcon(icon), title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void SetMessageHook(MessageHook hook)
{
    messageHook() = std::move(hook);
}

} // namespace Platform
