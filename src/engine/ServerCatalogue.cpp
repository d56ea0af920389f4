#include "ServerCatalogue.h"

#include "settings/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace
{

const QString ServerSuffix = QStringLiteral(".serv");
const QString Unlimited = QStringLiteral("Неограничено");

} // namespace

namespace ServerCatalogue
{

QStringList BuildServerList(const QString& programFolder)
{
    const QDir data(QDir(programFolder).filePath(QStringLiteral("data")));
    QStringList servers;
    // Matched with case, so every listed name + ".serv" is a file that the upload can open.
    const QStringList files = data.entryList(
        { QStringLiteral("*.*") + ServerSuffix }, QDir::Files | QDir::CaseSensitive, QDir::Name | QDir::IgnoreCase);
    for (const QString& file : files)
        servers.append(file.chopped(ServerSuffix.size()));
    return servers;
}

QString ProfilePath(const QString& programFolder, const QString& server)
{
    return QDir(programFolder).filePath(QStringLiteral("data/") + server + ServerSuffix);
}

QString InfoPath(const QString& programFolder, const QString& server)
{
    return QDir(programFolder).filePath(QStringLiteral("data/") + server + QStringLiteral(".info"));
}

ServerInfo LoadServerInfo(const QString& programFolder, const QString& server)
{
    const QString path = InfoPath(programFolder, server);
    if (server.isEmpty() || !QFileInfo::exists(path))
        return {};
    const IniFile ini(path);
    const QString section = QStringLiteral("Main");
    ServerInfo info;
    info.MaxWidth = ini.RINIi(section, QStringLiteral("MaxWidth"));
    info.MaxHeight = ini.RINIi(section, QStringLiteral("MaxHeight"));
    info.MaxSize = ini.RINIl(section, QStringLiteral("MaxSize"));
    info.URL = ini.RINI(section, QStringLiteral("URL"));
    info.URLtoRules = ini.RINI(section, QStringLiteral("URLtoRules"));
    info.HostTime = ini.RINI(section, QStringLiteral("HostTime"));
    return info;
}

QString SiteAddress(const QString& server)
{
    return QStringLiteral("http://") + server;
}

QString MaxSizeText(const ServerInfo& info)
{
    if (info.MaxSize == 0)
        return Unlimited;
    return QString::number(info.MaxSize / 1024) + QStringLiteral(" Kb");
}

QString MaxDimensionsText(const ServerInfo& info)
{
    if (info.MaxWidth == 0 && info.MaxHeight == 0)
        return Unlimited;
    return QString::number(info.MaxWidth) + QStringLiteral(" x ") + QString::number(info.MaxHeight);
}

QString HostTimeText(const ServerInfo& info)
{
    return info.HostTime.isEmpty() ? QStringLiteral("Неизвестно") : info.HostTime;
}

} // namespace ServerCatalogue
