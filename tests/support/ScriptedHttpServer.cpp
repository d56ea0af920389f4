#include "ScriptedHttpServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <QVariant>

namespace
{

constexpr qint64 EndlessChunk = 1024 * 1024;

// True when the bytes hold a complete request: the header block and Content-Length bytes after it.
bool isComplete(const QByteArray& request)
{
    const qsizetype headerEnd = request.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return false;
    qint64 length = 0;
    const QList<QByteArray> lines = request.left(headerEnd).split('\n');
    for (const QByteArray& line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.toLower().startsWith("content-length:"))
            length = trimmed.mid(15).trimmed().toLongLong();
    }
    return request.size() - (headerEnd + 4) >= length;
}

} // namespace

QByteArray ScriptedHttpServer::httpReply(
    const QByteArray& status, const QByteArray& body, const QByteArray& extraHeaders)
{
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\n" + extraHeaders
        + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

ScriptedHttpServer::ScriptedHttpServer(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    m_last = reply(httpReply("200 OK", "<html></html>"));
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::onNewConnection);
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    const QList<QTcpSocket*> sockets = m_server->findChildren<QTcpSocket*>();
    for (QTcpSocket* socket : sockets) {
        socket->disconnect(this);
        socket->abort();
    }
}

bool ScriptedHttpServer::start()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

bool ScriptedHttpServer::startTls(const QSslConfiguration& configuration)
{
    delete m_server;
    auto* server = new QSslServer(this);
    server->setSslConfiguration(configuration);
    // A TLS connection is ready for its request once the handshake is done.
    connect(server, &QTcpServer::pendingConnectionAvailable, this, &ScriptedHttpServer::onNewConnection);
    m_server = server;
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 ScriptedHttpServer::port() const
{
    return m_server->serverPort();
}

QByteArray ScriptedHttpServer::hostAndPort() const
{
    return "127.0.0.1:" + QByteArray::number(port());
}

void ScriptedHttpServer::enqueue(const Behaviour& behaviour)
{
    m_queue.append(behaviour);
}

void ScriptedHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const int index = static_cast<int>(m_requests.size());
        if (!m_queue.isEmpty())
            m_last = m_queue.takeFirst();
        m_requests.append(QByteArray());
        m_behaviours.append(m_last);
        m_started.append(false);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            ++m_closed;
            socket->deleteLater();
        });
        if (m_last.kind == Behaviour::Kind::NeverRead) {
            // A tiny read buffer stops Qt from taking bytes off the connection, so the client's send stalls.
            socket->setReadBufferSize(1);
            continue;
        }
        if (m_last.kind == Behaviour::Kind::SlowRead) {
            socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(SmallReceiveBuffer));
            socket->setReadBufferSize(SlowReadPiece);
            readSlowly(socket, index);
            continue;
        }
        if (m_last.kind == Behaviour::Kind::EarlyReply || m_last.kind == Behaviour::Kind::ResetAfterHeaders) {
            // The body stays in the system's buffer, so closing the connection resets it, as a real server's
            // early refusal does.
            socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(SmallReceiveBuffer));
            socket->setReadBufferSize(4096);
        }
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, index] { onReadyRead(socket, index); });
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket, index);
    }
}

void ScriptedHttpServer::onReadyRead(QTcpSocket* socket, int index)
{
    m_requests[index].append(socket->readAll());
    const Behaviour::Kind kind = m_behaviours[index].kind;
    if ((kind == Behaviour::Kind::EarlyReply || kind == Behaviour::Kind::ResetAfterHeaders) && !m_started[index]
        && m_requests[index].contains("\r\n\r\n")) {
        m_started[index] = true;
        if (kind == Behaviour::Kind::ResetAfterHeaders) {
            socket->abort();
            return;
        }
        socket->write(m_behaviours[index].pieces.value(0));
        socket->flush();
        socket->close();
        return;
    }
    if (m_started[index] || !isComplete(m_requests[index]))
        return;
    m_started[index] = true;
    emit requestComplete(index);
    startBehaviour(socket, index);
}

void ScriptedHttpServer::startBehaviour(QTcpSocket* socket, int index)
{
    switch (m_behaviours[index].kind) {
    case Behaviour::Kind::Reply:
    case Behaviour::Kind::ReplyThenSilent:
        sendPiece(socket, index, 0);
        break;
    case Behaviour::Kind::CloseWithoutReply:
        socket->disconnectFromHost();
        break;
    case Behaviour::Kind::Endless:
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { feedEndless(socket); });
        feedEndless(socket);
        break;
    case Behaviour::Kind::SlowRead:
        sendPiece(socket, index, 0);
        break;
    case Behaviour::Kind::Silent:
    case Behaviour::Kind::NeverRead:
    case Behaviour::Kind::EarlyReply:
    case Behaviour::Kind::ResetAfterHeaders:
        break;
    }
}

void ScriptedHttpServer::sendPiece(QTcpSocket* socket, int index, int piece)
{
    const Behaviour& behaviour = m_behaviours[index];
    if (piece >= behaviour.pieces.size()) {
        if (behaviour.kind != Behaviour::Kind::ReplyThenSilent)
            socket->disconnectFromHost();
        return;
    }
    const QPointer<QTcpSocket> guarded(socket);
    const int delay = behaviour.kind == Behaviour::Kind::SlowRead ? 0 : behaviour.delayMs;
    QTimer::singleShot(delay, this, [this, guarded, index, piece] {
        if (!guarded || guarded->state() != QAbstractSocket::ConnectedState)
            return;
        guarded->write(m_behaviours[index].pieces[piece]);
        guarded->flush();
        sendPiece(guarded, index, piece + 1);
    });
}

void ScriptedHttpServer::readSlowly(QTcpSocket* socket, int index)
{
    const QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(m_behaviours[index].delayMs, this, [this, guarded, index] {
        if (!guarded || guarded->state() != QAbstractSocket::ConnectedState)
            return;
        m_requests[index].append(guarded->read(SlowReadPiece));
        if (!m_started[index] && isComplete(m_requests[index])) {
            m_started[index] = true;
            emit requestComplete(index);
            startBehaviour(guarded, index);
            return;
        }
        readSlowly(guarded, index);
    });
}

void ScriptedHttpServer::feedEndless(QTcpSocket* socket)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (socket->bytesToWrite() < EndlessChunk)
        socket->write(QByteArray(EndlessChunk, 'x'));
}
