// The cookie capture: any reply and host. A captured cookie is kept under its key, and looking the key
// up gives the cookie back as the settings file holds it.
#include "FuzzSupport.h"

#include "engine/Cookies.h"
#include "platform/ProfileFile.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // the server host, then the reply
    const QList<QByteArray> fields = Fuzz::Fields(data, size, 2);
    const QByteArray& host = fields[0];
    const QByteArray& reply = fields[1];
    const QString folder = Fuzz::CleanFolder();

    const std::optional<Cookies::CapturedCookie> parsed = Cookies::ParseSetCookie(reply, host);
    const std::optional<QString> captured = Cookies::CaptureCookies(folder, reply, host);
    Fuzz::Check(parsed.has_value() == reply.contains("Set-Cookie:"), "a cookie is taken exactly when one is set");
    Fuzz::Check(captured.has_value() == parsed.has_value(), "capture and parse agree");
    if (!parsed)
        return 0;
    Fuzz::Check(
        !parsed->text.contains('\r') && !parsed->text.contains('\n'), "a cookie stays on one line", parsed->text);
    if (parsed->key != host)
        Fuzz::Check(
            !parsed->key.contains('\r') && !parsed->key.contains('\n'), "a domain stays on one line", parsed->key);
    Fuzz::Check(!parsed->text.contains("; expires"), "the expiry date is cut off", parsed->text);

    // A key that cookies.ini could not read back as the same key is empty: that cookie serves the current
    // upload only and is not kept. Every key that is kept is found again.
    if (parsed->key.isEmpty()) {
        Fuzz::Check(!QFile::exists(Cookies::CookiesPath(folder)), "a cookie without a key is not kept");
        return 0;
    }
    // The key goes to the file through the local 8-bit encoding, as the lookup's does.
    const QByteArray key = QString::fromLocal8Bit(parsed->key).toLocal8Bit();
    const QByteArray expected = Fuzz::StoredValue(captured->toLocal8Bit());
    const QString found = Cookies::LookUp(folder, key);
    Fuzz::Check(found == QString::fromLocal8Bit(expected), "a cookie kept is found again under its key",
        key + " -> " + found.toLocal8Bit());
    return 0;
}
