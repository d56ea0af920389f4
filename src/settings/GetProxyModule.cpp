#include "GetProxyModule.h"

#include "Ini.h"
#include "OptionsModule.h"
#include "SystemProxy.h"

#include <QRegularExpression>

namespace GetProxyModule
{

ProxyAddress HostAndPort(QString address)
{
    // Only an HTTP proxy is one: "http://" or no scheme at all. socks5://, https:// and the rest are
    // spoken differently and leave the proxy off.
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://"));
    const QRegularExpressionMatch match = scheme.match(address);
    if (match.hasMatch()) {
        if (match.captured(1).compare(QLatin1String("http"), Qt::CaseInsensitive) != 0)
            return {};
        address.remove(0, match.capturedLength());
    }

    // The authority ends where a path, a query or a fragment begins; credentials end at the last "@".
    for (qsizetype i = 0; i < address.size(); ++i) {
        const QChar c = address[i];
        if (c == u'/' || c == u'?' || c == u'#') {
            address.truncate(i);
            break;
        }
    }
    const qsizetype at = address.lastIndexOf(u'@');
    if (at >= 0)
        address.remove(0, at + 1);

    // "host", "host:port", "[v6]" or "[v6]:port"; no port means 80.
    static const QRegularExpression authority(
        QStringLiteral("^(?:\\[([0-9A-Fa-f:.]+)\\]|([^:\\[\\]\\s]+))(?::([0-9]{1,5}))?$"));
    const QRegularExpressionMatch parts = authority.match(address);
    if (!parts.hasMatch())
        return {};
    const QString host = parts.captured(1).isEmpty() ? parts.captured(2) : parts.captured(1);
    const QString port = parts.captured(3).isEmpty() ? QStringLiteral("80") : parts.captured(3);
    const int number = port.toInt();
    if (number < 1 || number > 65535)
        return {};
    return { host, QString::number(number) };
}

QString GetIEProxy(qint16 selector)
{
    return GetIEProxy(selector, SystemProxy(SystemProxy::DesktopSources()).ProxyText());
}

QString GetIEProxy(qint16 selector, const QString& proxyText)
{
    const ProxyAddress proxy = HostAndPort(proxyText);
    switch (selector) {
    case 1:
        return proxy.host.isEmpty() ? QStringLiteral("0") : QStringLiteral("1");
    case 2:
        return proxy.host;
    case 3:
        return proxy.port;
    default:
        return {};
    }
}

void SetProxyAsIE(Settings& settings)
{
    SetProxyAsIE(settings, SystemProxy(SystemProxy::DesktopSources()).ProxyText());
}

void SetProxyAsIE(Settings& settings, const QString& proxy)
{
    settings.UseProxy = IniText::NumericPrefix(GetIEProxy(1, proxy)) == 1.0;
    settings.ProxyHost = GetIEProxy(2, proxy);
    settings.ProxyPort = GetIEProxy(3, proxy);
}

} // namespace GetProxyModule
