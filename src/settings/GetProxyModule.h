#pragma once

#include <QString>

struct Settings;

// The desktop's proxy, as SystemProxy finds it (the http_proxy environment variable, GNOME, KDE).
namespace GetProxyModule
{

// Selector 1: "1" when a proxy is set, else "0"; 2: the host (before the first colon of "host:port");
// 3: the port (after that colon). Empty for 2 and 3 when no proxy is set or it has no colon.
QString GetIEProxy(qint16 selector);
// The same for a proxy text in the form of the http_proxy variable (SystemProxy::ProxyText()).
QString GetIEProxy(qint16 selector, const QString& proxy);

// Takes the desktop's proxy into UseProxy, ProxyHost and ProxyPort.
void SetProxyAsIE(Settings& settings);
void SetProxyAsIE(Settings& settings, const QString& proxy);

} // namespace GetProxyModule
