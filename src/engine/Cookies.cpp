#include "Cookies.h"

#include "settings/Ini.h"

#include <QDir>

namespace
{

// The text up to the first CR or LF.
QByteArray lineOnly(const QByteArray& text)
{
    qsizetype end = text.size();
    for (const char c : { '\r', '\n' }) {
        const qsizetype at = text.indexOf(c);
        if (at >= 0 && at < end)
            end = at;
    }
    return text.left(end);
}

const QString MainSection = QStringLiteral("Main");

} // namespace

namespace Cookies
{

QString CookiesPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("cookies.ini"));
}

QString LookUp(const QString& programFolder, const QByteArray& serverHost)
{
    Ini::SetFileName(CookiesPath(programFolder));
    return Ini().RINI(MainSection, QString::fromLocal8Bit(serverHost));
}

std::optional<CapturedCookie> ParseSetCookie(const QByteArray& reply, const QByteArray& serverHost)
{
    const QByteArray header = QByteArrayLiteral("Set-Cookie:");
    const qsizetype at = reply.indexOf(header);
    if (at < 0)
        return std::nullopt;

    CapturedCookie cookie;
    // The header name and the one character behind it (normally a space) are skipped.
    cookie.text = lineOnly(reply.mid(at + header.size() + 1));
    const qsizetype expires = cookie.text.indexOf("; expires");
    if (expires >= 0)
        cookie.text.truncate(expires);

    const QByteArray domain = QByteArrayLiteral("domain=");
    const qsizetype domainAt = reply.indexOf(domain);
    if (domainAt >= 0)
        cookie.key = lineOnly(reply.mid(domainAt + domain.size()));
    if (cookie.key.isEmpty())
        cookie.key = serverHost;
    return cookie;
}

std::optional<QString> CaptureCookies(
    const QString& programFolder, const QByteArray& reply, const QByteArray& serverHost)
{
    const std::optional<CapturedCookie> cookie = ParseSetCookie(reply, serverHost);
    if (!cookie)
        return std::nullopt;
    const QString text = QString::fromLocal8Bit(cookie->text);
    if (!cookie->key.isEmpty()) {
        Ini::SetFileName(CookiesPath(programFolder));
        Ini().WInI(MainSection, QString::fromLocal8Bit(cookie->key), text);
    }
    return text;
}

} // namespace Cookies
