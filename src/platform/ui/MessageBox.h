#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

// Every message box of the program goes through ShowMessage, so that tests can record the boxes and
// answer them instead of a user.
namespace Platform
{

enum class MessageIcon { Information, Warning, Error, Question };

struct MessageRecord {
    QString text;
    QString title;
    MessageIcon icon;
};

using MessageHook = std::function<QMessageBox::StandardButton(const MessageRecord&)>;

QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// The box ShowMessage shows: wide enough for its whole title, and centred on the screen when the parent
// is not on screen yet.
std::unique_ptr<QMessageBox> CreateMessageBox(QWidget* parent, const QString& text, const QString& title,
    MessageIcon icon, QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Replaces the box with the hook (tests); an empty hook brings the real box back.
void SetMessageHook(MessageHook hook);

} // namespace Platform
