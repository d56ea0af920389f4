#pragma once

#include <QString>

struct Settings;

// The desktop's proxy, as the http_proxy (else HTTP_PROXY) environment variable gives it.
namespace GetProxyModule
{

// Selector 1: "1" when a proxy is set, else "0"; 2: the host (before the first colon of "host:port");
// 3: the port (after that colon). Empty for 2 and 3 when no proxy is set or it has no colon.
QString GetIEProxy(qint16 selector);

// Takes the desktop's proxy into UseProxy, ProxyHost and ProxyPort.
void SetProxyAsIE(Settings& settings);

} // namespace GetProxyModule
