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

// The hosting services offered: one per "name.tld.serv" script and one per "name.sxcu" custom-uploader
// file in the program's data folder.
namespace ServerCatalogue
{

// How a service uploads. A name that has both files is the script's.
enum class ProfileKind { None, Script, Sxcu };

// The service names (file names without ".serv" or ".sxcu"), sorted by name without regard to case;
// empty when data/ is missing. A ".sxcu" file that cannot be used stays in the list: SxcuProblem says why.
QStringList BuildServerList(const QString& programFolder);

ProfileKind KindOf(const QString& programFolder, const QString& server);

// The script "data/<server>.serv", whether or not it exists.
QString ProfilePath(const QString& programFolder, const QString& server);
// The custom-uploader file "data/<server>.sxcu", whether or not it exists.
QString SxcuPath(const QString& programFolder, const QString& server);
QString InfoPath(const QString& programFolder, const QString& server);

// What keeps a ".sxcu" service from an upload (Russian, naming the file and the field); empty when it
// can be used and for a script service.
QString SxcuProblem(const QString& programFolder, const QString& server);

// Reads the service's ".info" file; a missing file gives "no limits, nothing known".
ServerInfo LoadServerInfo(const QString& programFolder, const QString& server);

// The address GoToSrv opens.
QString SiteAddress(const QString& server);

// The texts of the information window's value rows 3 to 5.
QString MaxSizeText(const ServerInfo& info);
QString MaxDimensionsText(const ServerInfo& info);
QString HostTimeText(const ServerInfo& info);

} // namespace ServerCatalogue
