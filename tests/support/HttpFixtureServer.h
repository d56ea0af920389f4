#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

#include <functional>
#include <utility>

class QTcpSocket;

// An HTTP/1.1 server on 127.0.0.1, plain or HTTPS, that parses each request (headers and a body of
// Content-Length bytes), records it and answers with what the test's handler returns, then closes the
// connection. A handler that returns nothing leaves the client waiting. A stalled server accepts
// connections but reads nothing, so a client's send stops when the buffers are full.
class HttpFixtureServer final : public QTcpServer
{
    Q_OBJECT

public:
    using Headers = QList<std::pair<QByteArray, QByteArray>>;

    struct Request {
        QByteArray method;
        QByteArray target; // path and query as sent
        Headers headers;
        QByteArray body;
        // The first header of that name, in any case; empty when there is none.
        QByteArray header(const QByteArray& name) const;
    };

    // One part of a multipart/form-data body.
    struct Part {
        Headers headers;
        QByteArray name;
        QByteArray fileName; // empty for a plain field
        QByteArray contentType;
        QByteArray body;
    };

    using Handler = std::function<QByteArray(const Request&)>;

    explicit HttpFixtureServer(QObject* parent = nullptr);
    ~HttpFixtureServer() override;

    bool start();
    // HTTPS with that certificate and key (PEM files).
    bool startTls(const QString& certificateFile, const QString& keyFile);

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    void setStalled(bool stalled) { m_stalled = stalled; }

    quint16 port() const { return serverPort(); }
    // "http://127.0.0.1:<port>" + path, or https.
    QByteArray url(const QByteArray& path = "/") const;

    const QList<Request>& requests() const { return m_requests; }
    int connectionCount() const { return m_connections; }
    int closedCount() const { return m_closed; }

    // An HTTP/1.1 reply with Content-Length and "Connection: close".
    static QByteArray reply(const QByteArray& status, const QByteArray& body, const QByteArray& extraHeaders = {});
    // The parts of a multipart/form-data request; empty when it is not one.
    static QList<Part> parts(const Request& request);

signals:
    void requestArrived(int index);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onReadyRead(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Request& request);

    Handler m_handler;
    bool m_stalled = false;
    bool m_tls = false;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<Request> m_requests;
    int m_connections = 0;
    int m_closed = 0;
};
