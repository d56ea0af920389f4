#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// proxy.dat: the proxy user name and password hidden among random filler bytes.
namespace Signature_module
{

// Longest user name and password, in bytes, that proxy.dat holds.
inline constexpr int MaxCredentialBytes = 31;

struct CredentialBytes {
    QByteArray user;
    QByteArray password;
};

// Why a user name and password cannot be stored as typed (each takes at most MaxCredentialBytes bytes
// in the local 8-bit encoding, where a Cyrillic letter takes two); empty when they fit. The settings
// window shows this text and keeps the window open instead of dropping the credentials silently.
QString CredentialsProblem(const QString& user, const QString& password);

// Writes proxy.dat in the program folder; does nothing unless both are 1 to 31 bytes long.
void SaveProxyCredentials(const QString& programFolder, const QString& user, const QString& password);

// User name, TAB, password; empty when proxy.dat is missing or damaged.
QString LoadProxyCredentials(const QString& programFolder);

// The same on the stored bytes (the texts above pass through the local 8-bit encoding).
void SaveProxyCredentialBytes(const QString& programFolder, const QByteArray& user, const QByteArray& password);
std::optional<CredentialBytes> LoadProxyCredentialBytes(const QString& programFolder);

QByteArray Base64Encode(const QString& text);

} // namespace Signature_module
