#include "MessageBox.h"

#include <QGridLayout>

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
    const std::unique_ptr<QMessageBox> box = CreateMessageBox(parent, text, title, icon, buttons);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

std::unique_ptr<QMessageBox> CreateMessageBox(
    QWidget* parent, const QString& text, const QString& title, MessageIcon icon, QMessageBox::StandardButtons buttons)
{
    // A window not yet on screen (start-up) would place the box off its own position: without it the
    // box is centred on the screen.
    QWidget* owner = parent && parent->isVisible() ? parent : nullptr;
    auto box = std::make_unique<QMessageBox>(toQtIcon(icon), title, text, buttons, owner);
    // The box is at least as wide as its title with the frame's buttons beside it, so the title shows whole.
    const int titleWidth = box->fontMetrics().horizontalAdvance(title) * 5 / 4 + 160;
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
            grid->columnCount());
    return box;
}

void SetMessageHook(MessageHook hook)
{
    messageHook() = std::move(hook);
}

} // namespace Platform
