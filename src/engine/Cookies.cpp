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

// A key that the settings file reads back as the same key: not blank, no blank at either end (keys are read
// back trimmed), not a section or comment line, no "=" that would end it early, no line break or NUL byte.
bool isStorableKey(const QByteArray& key)
{
    const QByteArray trimmed = key.trimmed();
    if (trimmed.isEmpty() || trimmed != key || trimmed.startsWith('[') || trimmed.startsWith(';'))
        return false;
    return !key.contains('=') && !key.contains('\r') && !key.contains('\n') && !key.contains('\0');
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
    const QByteArray line = lineOnly(reply.mid(at + header.size() + 1));
    cookie.text = line;
    const qsizetype expires = cookie.text.indexOf("; expires");
    if (expires >= 0)
        cookie.text.truncate(expires);

    // Only the cookie's own header line names its domain; a "domain=" elsewhere in the reply is page text.
    const QByteArray domain = QByteArrayLiteral("domain=");
    const qsizetype domainAt = line.indexOf(domain);
    if (domainAt >= 0)
        cookie.key = line.mid(domainAt + domain.size());
    if (cookie.key.isEmpty())
        cookie.key = serverHost;
    if (!isStorableKey(cookie.key))
        cookie.key.clear();
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
