#include "AutomaticStart.h"

namespace AutomaticStart
{

QString ImagePath(const QString& commandLineText, bool cmdAccepted, const QString& cmdFile)
{
    QString path = cmdAccepted ? cmdFile : commandLineText;
    const QChar quote(QLatin1Char('"'));
    if (path.startsWith(quote) && path.endsWith(quote))
        path.remove(quote);
    return path;
}

int ServerIndex(const QStringList& servers, const QString& cmdServer, int currentIndex)
{
    int index = currentIndex;
    for (int i = 0; i < servers.size(); ++i) {
        if (servers.at(i) == cmdServer)
            index = i;
    }
    return index;
}

} // namespace AutomaticStart
