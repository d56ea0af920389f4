#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QSslConfiguration;
class QTcpSocket;

// An HTTP server on 127.0.0.1 whose answers a test scripts in advance: each accepted connection takes
// the next queued behaviour (the last one is reused when the queue runs dry). It records the raw bytes
// of every connection's request. In its TLS mode it speaks HTTPS with the certificate it is given and counts
// a connection only once the handshake is done.
class ScriptedHttpServer final : public QObject
{
    Q_OBJECT

public:
    struct Behaviour {
        enum class Kind {
            Reply, // send the pieces (each after the delay), then close
            Silent, // read the request and never answer
            CloseWithoutReply, // close as soon as the request is in, without a byte
            Endless, // answer with bytes without end until the client goes away
            NeverRead, // accept the connection but never read from it
            SlowRead, // read the request one piece per delay, then send the pieces and close
            EarlyReply, // as soon as the headers are in, send the pieces and close, the body left unread
            ResetAfterHeaders, // as soon as the headers are in, drop the connection with the body unread
            ReplyThenSilent, // send the pieces (each after the delay), then keep the connection open, silent
        };
        Kind kind = Kind::Reply;
        QList<QByteArray> pieces;
        int delayMs = 0;
    };

    static Behaviour reply(const QByteArray& bytes) { return { Behaviour::Kind::Reply, { bytes }, 0 }; }
    static Behaviour replyInPieces(const QList<QByteArray>& pieces, int delayMs)
    {
        return { Behaviour::Kind::Reply, pieces, delayMs };
    }
    static Behaviour silent() { return { Behaviour::Kind::Silent, {}, 0 }; }
    static Behaviour closeWithoutReply() { return { Behaviour::Kind::CloseWithoutReply, {}, 0 }; }
    static Behaviour endless() { return { Behaviour::Kind::Endless, {}, 0 }; }
    static Behaviour neverRead() { return { Behaviour::Kind::NeverRead, {}, 0 }; }
    static Behaviour slowRead(const QByteArray& reply, int delayMs)
    {
        return { Behaviour::Kind::SlowRead, { reply }, delayMs };
    }
    static Behaviour earlyReply(const QByteArray& reply) { return { Behaviour::Kind::EarlyReply, { reply }, 0 }; }
    static Behaviour resetAfterHeaders() { return { Behaviour::Kind::ResetAfterHeaders, {}, 0 }; }
    static Behaviour replyThenSilent(const QByteArray& bytes)
    {
        return { Behaviour::Kind::ReplyThenSilent, { bytes }, 0 };
    }

    // How much of a slowly read request is taken at each delay, and the system's receive buffer of such a
    // connection and of one whose body is left unread.
    static constexpr qint64 SlowReadPiece = 64 * 1024;
    static constexpr int SmallReceiveBuffer = 64 * 1024;

    // An HTTP/1.0 reply with the status line, a text/html header and the body.
    static QByteArray httpReply(const QByteArray& status, const QByteArray& body, const QByteArray& extraHeaders = {});

    explicit ScriptedHttpServer(QObject* parent = nullptr);
    ~ScriptedHttpServer() override;

    // Listens on 127.0.0.1 with a free port.
    bool start();
    // Listens for TLS connections with the configuration's certificate and key instead (a listener of an
    // earlier start is closed).
    bool startTls(const QSslConfiguration& configuration);
    quint16 port() const;
    // "127.0.0.1:<port>", the host text of a profile line.
    QByteArray hostAndPort() const;

    void enqueue(const Behaviour& behaviour);

    // The raw request bytes of each connection so far, in order of connection.
    const QList<QByteArray>& requests() const { return m_requests; }
    int connectionCount() const { return m_requests.size(); }
    // Connections whose client has gone away.
    int closedCount() const { return m_closed; }

signals:
    // A connection's request is complete (its headers, and as many body bytes as Content-Length says).
    void requestComplete(int index);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket, int index);
    void startBehaviour(QTcpSocket* socket, int index);
    void sendPiece(QTcpSocket* socket, int index, int piece);
    void feedEndless(QTcpSocket* socket);
    void readSlowly(QTcpSocket* socket, int index);

    QTcpServer* m_server = nullptr;
    QList<Behaviour> m_queue;
    Behaviour m_last;
    QList<QByteArray> m_requests;
    QList<Behaviour> m_behaviours;
    QList<bool> m_started;
    int m_closed = 0;
};
