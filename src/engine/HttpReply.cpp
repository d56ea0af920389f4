#include "HttpReply.h"

namespace
{

// The end of the line that starts at `from` (the position of its LF, or the end of the bytes), with the
// length of its text without CR.
qsizetype lineEnd(const QByteArray& bytes, qsizetype from, qsizetype& textLength)
{
    qsizetype end = bytes.indexOf('\n', from);
    if (end < 0)
        end = bytes.size();
    textLength = end - from;
    if (textLength > 0 && bytes[from + textLength - 1] == '\r')
        --textLength;
    return end;
}

bool startsReply(const QByteArray& bytes, qsizetype at)
{
    return QByteArrayView(bytes).sliced(at).startsWith("HTTP/");
}

// A chunked body joined; what follows a damaged chunk size, or a last chunk cut short, is taken as it is.
QByteArray unchunked(const QByteArray& body)
{
    QByteArray out;
    qsizetype at = 0;
    while (at < body.size()) {
        qsizetype length = 0;
        const qsizetype end = lineEnd(body, at, length);
        bool ok = false;
        const qint64 size = body.mid(at, length).split(';').value(0).trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0)
            return out + body.mid(at);
        if (size == 0)
            break;
        const qsizetype dataStart = end + 1;
        out += body.mid(dataStart, static_cast<qsizetype>(qMin<qint64>(size, body.size())));
        if (dataStart + size >= body.size())
            break;
        at = dataStart + static_cast<qsizetype>(size);
        if (body.mid(at, 2) == "\r\n")
            at += 2;
        else if (at < body.size() && body[at] == '\n')
            ++at;
    }
    return out;
}

// One reply starting at `at`; `next` becomes the start of a reply that follows it on the connection, or -1.
SxcuReply parseOne(const QByteArray& bytes, qsizetype at, qsizetype& next)
{
    next = -1;
    SxcuReply reply;
    qsizetype length = 0;
    qsizetype end = lineEnd(bytes, at, length);
    const QByteArray statusLine = bytes.mid(at, length);
    const qsizetype space = statusLine.indexOf(' ');
    reply.statusLine = space < 0 ? QString() : QString::fromLatin1(statusLine.mid(space + 1)).trimmed();
    reply.statusCode = reply.statusLine.left(3).toInt();
    qsizetype from = end + 1;
    while (from < bytes.size()) {
        end = lineEnd(bytes, from, length);
        const QByteArray line = bytes.mid(from, length);
        from = end + 1;
        if (line.isEmpty())
            break;
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            reply.headers.append({ line.left(colon).trimmed(), line.mid(colon + 1).trimmed() });
    }
    QByteArray body = from < bytes.size() ? bytes.mid(from) : QByteArray();
    if (reply.header("Transfer-Encoding").toLower().contains("chunked")) {
        reply.body = unchunked(body);
        return reply;
    }
    bool known = false;
    const qint64 declared = reply.header("Content-Length").toLongLong(&known);
    if (known && declared >= 0 && declared < body.size()) {
        const qsizetype rest = from + static_cast<qsizetype>(declared);
        if (startsReply(bytes, rest))
            next = rest;
        body.truncate(static_cast<qsizetype>(declared));
    }
    reply.body = body;
    return reply;
}

} // namespace

namespace HttpReply
{

SxcuReply Parse(const QByteArray& received)
{
    if (!startsReply(received, 0)) {
        SxcuReply bare;
        bare.body = received;
        return bare;
    }
    SxcuReply last;
    qsizetype at = 0;
    while (at >= 0) {
        qsizetype next = -1;
        SxcuReply reply = parseOne(received, at, next);
        // An interim reply has no body: the next status line follows its empty line.
        if (reply.statusCode >= 100 && reply.statusCode < 200 && startsReply(reply.body, 0)) {
            at = received.size() - reply.body.size();
            continue;
        }
        last = std::move(reply);
        at = next;
    }
    return last;
}

} // namespace HttpReply
