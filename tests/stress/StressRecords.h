#pragma once

#include <QByteArray>
#include <QString>

// The values the stress writer puts into the program's files, numbered, so that a test can tell a
// complete value from a torn one.
namespace StressRecords
{

// Long enough that records keep crossing the 4 KiB boundaries of the journal file.
inline QString Source(int n)
{
    return QStringLiteral("/pictures/%1/").arg(QString(300, QLatin1Char('d'))) + QString::number(n)
        + QStringLiteral(".jpg");
}
inline QString ImageLink(int n)
{
    return QStringLiteral("http://127.0.0.1:1/i/%1.jpg").arg(n);
}
inline QString PreviewLink(int n)
{
    return QStringLiteral("http://127.0.0.1:1/t/%1.jpg").arg(n);
}

inline QString ProxyHost(int n)
{
    return QStringLiteral("proxy%1.example").arg(n);
}
inline QString LinkTitle(int n)
{
    return QStringLiteral("Вид %1").arg(n);
}
inline QString ProxyUser(int n)
{
    return QStringLiteral("user%1").arg(n);
}

inline const QByteArray CookieHost = "127.0.0.1:1";
inline QByteArray CookieReply(int n)
{
    return "HTTP/1.0 200 OK\r\nSet-Cookie: sid=" + QByteArray::number(n)
        + "; expires=Wed, 01-Jan-2031 00:00:00 GMT\r\n\r\n";
}

} // namespace StressRecords
