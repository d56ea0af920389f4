#pragma once

#include <QByteArray>
#include <QtGlobal>

// A second handle on a connected socket. When a send fails because the server has gone away, the socket
// layer closes its own handle at once and drops a reply that the server sent before it went (a refusal
// such as 413 that came while the request was still on its way); through this handle the reply can still
// be read. The connection ends only when both handles are closed, so close() belongs with every close of
// the socket.
class ReplyHandle final
{
public:
    ReplyHandle() = default;
    ~ReplyHandle();
    ReplyHandle(const ReplyHandle&) = delete;
    ReplyHandle& operator=(const ReplyHandle&) = delete;

    // Duplicates the socket's descriptor (a previous handle is closed).
    void take(qintptr socketDescriptor);
    void close();
    // What has arrived and not been read, at most maxBytes, without waiting.
    QByteArray readWaiting(qint64 maxBytes);

private:
    int m_fd = -1;
};
