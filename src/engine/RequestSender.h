#pragma once

#include "engine/RequestSource.h"

#include <memory>

class QAbstractSocket;

// Sends one request over a connected socket as the socket drains. Only a little is handed to the socket
// at a time and the system's send buffer of the socket is kept small, so that at most a few hundred KiB
// are on their way at any moment: what the socket reports written has left the program, and the request
// counts as sent only when its last byte has.
class RequestSender final
{
public:
    // With these figures at most about half a MiB is on its way, and a MiB of the request takes only a few
    // turns of the event loop (each of which also reports the progress).
    static constexpr qint64 PieceBytes = 256 * 1024;
    // More is handed to the socket while less than this waits in it.
    static constexpr qint64 QueuedBytesLimit = 128 * 1024;
    static constexpr int SendBufferBytes = 128 * 1024;

    // Keeps the system's send buffer of a connected socket small.
    static void BoundSendBuffer(QAbstractSocket* socket);

    // Starts sending the source over the socket; a request under way is forgotten.
    void start(QAbstractSocket* socket, std::unique_ptr<RequestSource> source);
    // The socket reported bytes written: counts them and hands over more.
    void bytesWritten(qint64 bytes);
    // Forgets the request (the connection is gone).
    void reset();

    // A request has been started and its last byte has not yet left.
    bool isSending() const { return m_source != nullptr && m_sent < m_total; }
    // A request has been started and all of it has left.
    bool isSent() const { return m_source != nullptr && m_sent >= m_total; }
    // Why the request's source stopped delivering before its end; empty while all is well.
    QString failure() const { return m_source != nullptr ? m_source->failure() : QString(); }

private:
    void handOver();

    QAbstractSocket* m_socket = nullptr;
    std::unique_ptr<RequestSource> m_source;
    qint64 m_total = 0;
    qint64 m_handedOver = 0;
    qint64 m_sent = 0;
};
