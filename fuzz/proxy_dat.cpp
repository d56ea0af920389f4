// proxy.dat: any file content is either refused or gives credentials of the allowed lengths, which save
// and load back unchanged; and credentials saved from any bytes load back exactly when they fit.
#include "FuzzSupport.h"

#include "settings/Signature_module.h"

#include <QDir>
#include <QFile>

namespace
{

bool fits(const QByteArray& credential)
{
    return !credential.isEmpty() && credential.size() <= Signature_module::MaxCredentialBytes;
}

void checkSaveLoad(const QString& folder, const QByteArray& user, const QByteArray& password)
{
    QFile::remove(QDir(folder).filePath(QStringLiteral("proxy.dat")));
    Signature_module::SaveProxyCredentialBytes(folder, user, password);
    const std::optional<Signature_module::CredentialBytes> loaded = Signature_module::LoadProxyCredentialBytes(folder);
    if (!fits(user) || !fits(password)) {
        Fuzz::Check(!loaded, "credentials that do not fit are not saved", user + " / " + password);
        return;
    }
    Fuzz::Check(loaded.has_value(), "saved credentials load", user + " / " + password);
    Fuzz::Check(loaded->user == user && loaded->password == password, "saved credentials load unchanged",
        user + " / " + password + " -> " + loaded->user + " / " + loaded->password);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // user, password, then the content of a proxy.dat
    const QList<QByteArray> fields = Fuzz::Fields(data, size, 3);
    const QString folder = Fuzz::CleanFolder();

    Fuzz::WriteFile(QDir(folder).filePath(QStringLiteral("proxy.dat")), fields[2]);
    const std::optional<Signature_module::CredentialBytes> found = Signature_module::LoadProxyCredentialBytes(folder);
    const QString text = Signature_module::LoadProxyCredentials(folder);
    Fuzz::Check(found.has_value() != text.isEmpty(), "the text loader agrees with the byte loader");
    if (found) {
        Fuzz::Check(fits(found->user) && fits(found->password), "loaded credentials have the allowed lengths");
        checkSaveLoad(folder, found->user, found->password);
    }

    checkSaveLoad(folder, fields[0], fields[1]);
    return 0;
}
