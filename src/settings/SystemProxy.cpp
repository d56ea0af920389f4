#include "SystemProxy.h"

#include "platform/ProfileFile.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace
{

const QString GnomeSchema = QStringLiteral("org.gnome.system.proxy");
const QString GnomeHttpSchema = QStringLiteral("org.gnome.system.proxy.http");

// A GVariant text value as gsettings prints it: a quoted string loses its quotes and escapes.
QString unquote(const QString& value)
{
    if (value.size() < 2 || (value.front() != u'\'' && value.front() != u'"') || value.back() != value.front())
        return value;
    QString text;
    for (qsizetype i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == u'\\' && i + 2 < value.size())
            ++i;
        text += value[i];
    }
    return text;
}

// "host:port", with an IPv6 address in brackets; the port is left out when there is none.
QString joinHostAndPort(QString host, const QString& port)
{
    if (host.contains(u':') && !host.startsWith(u'['))
        host = u'[' + host + u']';
    return port.isEmpty() ? host : host + u':' + port;
}

} // namespace

SystemProxy::Sources SystemProxy::DesktopSources()
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    return { environment, QStandardPaths::findExecutable(QStringLiteral("gsettings")), KioslavercPath(environment) };
}

QString SystemProxy::KioslavercPath(const QProcessEnvironment& environment)
{
    QString folder = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!QDir::isAbsolutePath(folder)) {
        const QString home = environment.value(QStringLiteral("HOME"));
        if (home.isEmpty())
            return {};
        folder = QDir(home).filePath(QStringLiteral(".config"));
    }
    return QDir(folder).filePath(QStringLiteral("kioslaverc"));
}

SystemProxy::SystemProxy(Sources sources)
    : m_sources(std::move(sources))
{
}

QString SystemProxy::ProxyText() const
{
    QString proxy = EnvironmentProxy();
    if (proxy.isEmpty())
        proxy = GnomeProxy();
    if (proxy.isEmpty())
        proxy = KdeProxy();
    return proxy;
}

QString SystemProxy::EnvironmentProxy() const
{
    QString value = m_sources.environment.value(QStringLiteral("http_proxy")).trimmed();
    if (value.isEmpty())
        value = m_sources.environment.value(QStringLiteral("HTTP_PROXY")).trimmed();
    return value;
}

QString SystemProxy::GnomeProxy() const
{
    if (m_sources.gsettingsProgram.isEmpty())
        return {};

    QProcess gsettings;
    if (!m_sources.environment.isEmpty())
        gsettings.setProcessEnvironment(m_sources.environment);
    gsettings.start(m_sources.gsettingsProgram, { QStringLiteral("list-recursively"), GnomeSchema });
    if (!gsettings.waitForFinished(GsettingsTimeoutMs)) {
        gsettings.kill();
        gsettings.waitForFinished(GsettingsTimeoutMs);
        return {};
    }
    if (gsettings.exitStatus() != QProcess::NormalExit || gsettings.exitCode() != 0)
        return {};

    // One line per key: schema, key, value.
    QString mode;
    QString host;
    QString port;
    const QStringList lines = QString::fromUtf8(gsettings.readAllStandardOutput()).split(u'\n');
    for (const QString& line : lines) {
        const QString schema = line.section(u' ', 0, 0);
        const QString key = line.section(u' ', 1, 1);
        const QString value = line.section(u' ', 2).trimmed();
        if (schema == GnomeSchema && key == QLatin1String("mode"))
            mode = unquote(value);
        else if (schema == GnomeHttpSchema && key == QLatin1String("host"))
            host = unquote(value).trimmed();
        else if (schema == GnomeHttpSchema && key == QLatin1String("port"))
            port = value.section(u' ', -1); // a typed value reads "uint32 3128"
    }
    if (mode != QLatin1String("manual") || host.isEmpty())
        return {};
    if (port.toInt() <= 0)
        port.clear();
    return joinHostAndPort(host, port);
}

QString SystemProxy::KdeProxy() const
{
    if (m_sources.kioslavercPath.isEmpty())
        return {};
    const QByteArray type = ProfileFile::ReadValue(m_sources.kioslavercPath, "Proxy Settings", "ProxyType");
    if (type != "1")
        return {};
    // KDE writes the address and the port apart: "http://host 3128"; older files write "host:port".
    const QStringList parts
        = QString::fromUtf8(ProfileFile::ReadValue(m_sources.kioslavercPath, "Proxy Settings", "httpProxy"))
              .split(u' ', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    if (parts.size() == 1)
        return parts.front();
    QString address = parts.front();
    while (address.endsWith(u'/'))
        address.chop(1);
    return address + u':' + parts.at(1);
}
