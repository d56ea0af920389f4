#pragma once

#include "engine/Data.h"

#include <QByteArray>

#include <optional>

// The tunnel an https connection opens through the proxy: a CONNECT request for the origin's host and
// port, and the proxy's answer to it. Through the tunnel the requests go in origin form, as on a direct
// connection.
namespace ProxyTunnel
{

// "CONNECT host:port HTTP/1.1", the Host header with the same text, the proxy's Basic authorization when
// the route asks for it, and the empty line. hostAndPort may lack the port; defaultPort is used then.
QByteArray ConnectRequest(const QByteArray& hostAndPort, quint16 defaultPort, const Data::ProxyRoute& route);

// The status line of the proxy's answer once its header block is complete; nothing while more is to come.
std::optional<QByteArray> StatusLine(const QByteArray& answer);

// The tunnel is open: the status code is 2xx.
bool IsOpened(const QByteArray& statusLine);
// The proxy demands authorization: the status code is 407.
bool IsAuthorizationDemand(const QByteArray& statusLine);

// "host" and the port of a "host[:port]" text; the default port when there is no valid port.
std::pair<QByteArray, quint16> SplitHostPort(const QByteArray& hostAndPort, quint16 defaultPort);

} // namespace ProxyTunnel
