#include "ProxyTunnel.h"

#include "settings/Signature_module.h"

#include <algorithm>

namespace ProxyTunnel
{
namespace
{

QByteArray statusCode(const QByteArray& statusLine)
{
    const qsizetype space = statusLine.indexOf(' ');
    return space < 0 ? QByteArray() : statusLine.mid(space + 1, 3);
}

} // namespace

std::pair<QByteArray, quint16> SplitHostPort(const QByteArray& hostAndPort, quint16 defaultPort)
{
    const qsizetype colon = hostAndPort.lastIndexOf(':');
    if (colon > 0) {
        const QByteArray digits = hostAndPort.mid(colon + 1);
        bool ok = false;
        const uint port = digits.toUInt(&ok);
        const bool allDigits = std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (ok && allDigits && port > 0 && port <= 65535)
            return { hostAndPort.left(colon), static_cast<quint16>(port) };
    }
    return { hostAndPort, defaultPort };
}

QByteArray ConnectRequest(const QByteArray& hostAndPort, quint16 defaultPort, const Data::ProxyRoute& route)
{
    const auto [host, port] = SplitHostPort(hostAndPort, defaultPort);
    const QByteArray target = host + ':' + QByteArray::number(port);
    QByteArray request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
    if (route.proxyAuth)
        request += "Proxy-Authorization: Basic "
            + Signature_module::Base64Encode(route.proxyUser + QLatin1Char(':') + route.proxyPassword) + "\r\n";
    return request + "\r\n";
}

std::optional<QByteArray> StatusLine(const QByteArray& answer)
{
    if (!answer.contains("\r\n\r\n") && !answer.contains("\n\n"))
        return std::nullopt;
    const qsizetype lineEnd = answer.indexOf('\n');
    return answer.left(lineEnd).trimmed();
}

bool IsOpened(const QByteArray& statusLine)
{
    return statusLine.startsWith("HTTP/") && statusCode(statusLine).startsWith('2');
}

bool IsAuthorizationDemand(const QByteArray& statusLine)
{
    return statusLine.startsWith("HTTP/") && statusCode(statusLine) == "407";
}

} // namespace ProxyTunnel
