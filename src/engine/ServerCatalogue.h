#pragma once

#include <QString>
#include <QStringList>

// What a service's ".info" file tells: its limits (0 means no limit) and descriptive data.
struct ServerInfo {
    qint16 MaxWidth = 0;
    qint16 MaxHeight = 0;
    qint32 MaxSize = 0;
    QString URL;
    QString URLtoRules;
    QString HostTime;
};

// The hosting services offered: one per "name.tld.serv" profile in the program's data folder.
namespace ServerCatalogue
{

// The service names (file names without ".serv"), sorted by name; empty when data/ is missing.
QStringList BuildServerList(const QString& programFolder);

QString ProfilePath(const QString& programFolder, const QString& server);
QString InfoPath(const QString& programFolder, const QString& server);

// Reads the service's ".info" file; a missing file gives "no limits, nothing known".
ServerInfo LoadServerInfo(const QString& programFolder, const QString& server);

// The address GoToSrv opens.
QString SiteAddress(const QString& server);

// The texts of the information window's value rows 3 to 5.
QString MaxSizeText(const ServerInfo& info);
QString MaxDimensionsText(const ServerInfo& info);
QString HostTimeText(const ServerInfo& info);

} // namespace ServerCatalogue
