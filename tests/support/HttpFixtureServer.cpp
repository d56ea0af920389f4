#include "HttpFixtureServer.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSslSocket>

namespace
{

const QByteArray HeaderEnd = "\r\n\r\n";

HttpFixtureServer::Headers parseHeaders(const QList<QByteArray>& lines)
{
    HttpFixtureServer::Headers headers;
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            headers.append({ line.left(colon).trimmed(), line.mid(colon + 1).trimmed() });
    }
    return headers;
}

QByteArray headerOf(const HttpFixtureServer::Headers& headers, const QByteArray& name)
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// The value of a parameter (name="value" or name=value) of a header value.
QByteArray parameter(const QByteArray& headerValue, const QByteArray& name)
{
    const QRegularExpression pattern(
        QStringLiteral("(?:^|;)\\s*%1=(?:\"([^\"]*)\"|([^;]*))").arg(QString::fromLatin1(name)));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(headerValue));
    if (!match.hasMatch())
        return {};
    return (match.capturedStart(1) >= 0 ? match.captured(1) : match.captured(2).trimmed()).toUtf8();
}

} // namespace

QByteArray HttpFixtureServer::Request::header(const QByteArray& name) const
{
    return headerOf(headers, name);
}

HttpFixtureServer::HttpFixtureServer(QObject* parent)
    : QTcpServer(parent)
{
}

HttpFixtureServer::~HttpFixtureServer()
{
    for (QTcpSocket* socket : m_buffers.keys())
        socket->disconnect(this);
}

bool HttpFixtureServer::start()
{
    return listen(QHostAddress::LocalHost, 0);
}

bool HttpFixtureServer::startTls(const QString& certificateFile, const QString& keyFile)
{
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certificateFile, QSsl::Pem);
    QFile key(keyFile);
    if (certificates.isEmpty() || !key.open(QIODevice::ReadOnly))
        return false;
    m_certificate = certificates.first();
    m_key = QSslKey(&key, QSsl::Ec, QSsl::Pem);
    m_tls = !m_key.isNull();
    return m_tls && start();
}

QByteArray HttpFixtureServer::url(const QByteArray& path) const
{
    return (m_tls ? "https" : "http") + QByteArray("://127.0.0.1:") + QByteArray::number(port()) + path;
}

QByteArray HttpFixtureServer::reply(const QByteArray& status, const QByteArray& body, const QByteArray& extraHeaders)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\n" + extraHeaders + "Connection: close\r\n\r\n" + body;
}

QList<HttpFixtureServer::Part> HttpFixtureServer::parts(const Request& request)
{
    const QByteArray type = request.header("Content-Type");
    if (!type.startsWith("multipart/form-data"))
        return {};
    const QByteArray delimiter = "--" + parameter(type, "boundary");
    QList<Part> result;
    qsizetype at = request.body.indexOf(delimiter);
    while (at >= 0) {
        const qsizetype start = at + delimiter.size();
        if (request.body.mid(start, 2) == "--")
            break;
        const qsizetype next = request.body.indexOf("\r\n" + delimiter, start);
        if (next < 0)
            break;
        const QByteArray raw = request.body.mid(start + 2, next - start - 2); // after the CR LF of the delimiter
        const qsizetype headerEnd = raw.indexOf(HeaderEnd);
        Part part;
        part.headers = parseHeaders(raw.left(headerEnd).split('\n'));
        part.body = raw.mid(headerEnd + HeaderEnd.size());
        const QByteArray disposition = headerOf(part.headers, "Content-Disposition");
        part.name = parameter(disposition, "name");
        part.fileName = parameter(disposition, "filename");
        part.contentType = headerOf(part.headers, "Content-Type");
        result.append(part);
        at = next + 2;
    }
    return result;
}

void HttpFixtureServer::incomingConnection(qintptr descriptor)
{
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    ++m_connections;
    m_buffers.insert(socket, {});
    connect(socket, &QSslSocket::disconnected, this, [this, socket] {
        ++m_closed;
        m_buffers.remove(socket);
        socket->deleteLater();
    });
    if (m_stalled) {
        socket->setReadBufferSize(1);
        return;
    }
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    if (m_tls) {
        socket->setLocalCertificate(m_certificate);
        socket->setPrivateKey(m_key);
        socket->startServerEncryption();
    }
}

void HttpFixtureServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    const qsizetype headerEnd = buffer.indexOf(HeaderEnd);
    if (headerEnd < 0)
        return;
    QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    Request request;
    const QList<QByteArray> requestLine = lines.takeFirst().trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    request.headers = parseHeaders(lines);
    const qsizetype length = request.header("Content-Length").toLongLong();
    const qsizetype bodyStart = headerEnd + HeaderEnd.size();
    if (buffer.size() < bodyStart + length)
        return;
    request.body = buffer.mid(bodyStart, length);
    buffer.remove(0, bodyStart + length);
    m_requests.append(request);
    emit requestArrived(m_requests.size() - 1);
    answer(socket, request);
}

void HttpFixtureServer::answer(QTcpSocket* socket, const Request& request)
{
    const QByteArray bytes = m_handler ? m_handler(request) : reply("200 OK", {});
    if (bytes.isEmpty())
        return;
    socket->write(bytes);
    socket->disconnectFromHost();
}
