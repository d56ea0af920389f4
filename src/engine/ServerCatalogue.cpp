#include "ServerCatalogue.h"

#include "engine/SxcuFile.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace
{

const QString ServerSuffix = QStringLiteral(".serv");
const QString SxcuSuffix = QStringLiteral(".sxcu");
const QString Unlimited = QStringLiteral("Неограничено");

} // namespace

namespace ServerCatalogue
{

QStringList BuildServerList(const QString& programFolder)
{
    const QDir data(QDir(programFolder).filePath(QStringLiteral("data")));
    // Matched with case, so every listed name + ".serv" or ".sxcu" is a file that the upload can open. A
    // script's service name holds a dot. The names are compared by hand: wildcard filters would build a
    // regular expression at every start.
    QStringList servers;
    for (const QString& file : data.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        const bool script = file.endsWith(ServerSuffix) && file.chopped(ServerSuffix.size()).contains(u'.');
        if (!script && !file.endsWith(SxcuSuffix))
            continue;
        const QString name = file.chopped(script ? ServerSuffix.size() : SxcuSuffix.size());
        if (!servers.contains(name)) // "x.serv" and "x.sxcu" make one service
            servers.append(name);
    }
    // Every service sorts as its script file would, so the scripts keep the order (and the stored index
    // of the last service) they had before custom-uploader files were listed.
    const auto sortKey = [](const QString& name) { return (name + ServerSuffix).toLower(); };
    std::stable_sort(servers.begin(), servers.end(),
        [&sortKey](const QString& a, const QString& b) { return sortKey(a) < sortKey(b); });
    return servers;
}

ProfileKind KindOf(const QString& programFolder, const QString& server)
{
    if (server.isEmpty())
        return ProfileKind::None;
    if (server.contains(u'.') && QFileInfo(ProfilePath(programFolder, server)).isFile())
        return ProfileKind::Script;
    if (QFileInfo(SxcuPath(programFolder, server)).isFile())
        return ProfileKind::Sxcu;
    return ProfileKind::None;
}

QString ProfilePath(const QString& programFolder, const QString& server)
{
    return QDir(programFolder).filePath(QStringLiteral("data/") + server + ServerSuffix);
}

QString SxcuPath(const QString& programFolder, const QString& server)
{
    return QDir(programFolder).filePath(QStringLiteral("data/") + server + SxcuSuffix);
}

QString SxcuProblem(const QString& programFolder, const QString& server)
{
    if (KindOf(programFolder, server) != ProfileKind::Sxcu)
        return {};
    return SxcuFile::Read(SxcuPath(programFolder, server)).Problem;
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
