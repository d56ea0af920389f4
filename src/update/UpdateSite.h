#pragma once

#include <QString>

// The program's own version and the addresses of its maker: the web site, the forum and the update
// server that answers the version check.
namespace UpdateSite
{

// The update server: the host that serves /picferry/version.info and /picferry/check.php. A program
// folder may name another one (a mirror, a test server) as [Main] UpdateServer in options.ini.
inline constexpr char DefaultUpdateServer[] = "pictoferry.org";

inline constexpr char SiteAddress[] = "http://pictoferry.org/";
inline constexpr char ForumAddress[] = "http://pictoferry.org/forum/viewforum.php?f=8";
inline constexpr char AuthorName[] = "Команда Pictoferry";

// "1.1": the version the update check compares with the server's version file.
QString ProgramVersion();

} // namespace UpdateSite
