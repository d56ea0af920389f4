#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The cookie store: cookies.ini in the program folder, one [Main] key per cookie domain, so that a
// session cookie is fetched once and sent by every later upload.
namespace Cookies
{

QString CookiesPath(const QString& programFolder);

// The cookie kept for the host (the key equals the host exactly); empty when none is kept.
QString LookUp(const QString& programFolder, const QByteArray& serverHost);

// What a reply's "Set-Cookie:" header gives: the cookie text and the key it is kept under.
struct CapturedCookie {
    QByteArray text;
    QByteArray key;
};

// The first "Set-Cookie:" header of the reply: its text from the cookie's name to the end of its line,
// cut before "; expires"; the key is the text after "domain=" in that header line up to its end, or the
// server host when the line names no domain. A key that the settings file could not read back as the
// same key (a "[" or ";" first, an "=", a line break, a NUL byte, blank, a blank at an end) is empty: the
// cookie then serves the current upload only. Nothing when the reply sets no cookie.
std::optional<CapturedCookie> ParseSetCookie(const QByteArray& reply, const QByteArray& serverHost);

// Takes the cookie from the reply and keeps it in cookies.ini; returns the cookie text (ServerCookies),
// or nothing when the reply sets no cookie.
std::optional<QString> CaptureCookies(
    const QString& programFolder, const QByteArray& reply, const QByteArray& serverHost);

} // namespace Cookies
