#include "MessageRecorder.h"

MessageRecorder::MessageRecorder(QMessageBox::StandardButton answer)
{
    Platform::SetMessageHook([this, answer](const Platform::MessageRecord& record) {
        m_messages.append(record);
        return answer;
    });
}

MessageRecorder::~MessageRecorder()
{
    Platform::SetMessageHook({});
}
