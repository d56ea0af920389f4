#pragma once

#include "platform/ui/MessageBox.h"

#include <QList>

// Records every message box while it lives and answers each with a chosen button.
class MessageRecorder final
{
public:
    explicit MessageRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const QList<Platform::MessageRecord>& messages() const { return m_messages; }
    void clear() { m_messages.clear(); }

private:
    QList<Platform::MessageRecord> m_messages;
};
