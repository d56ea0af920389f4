#pragma once

#include <QByteArray>
#include <QString>

// proxy.dat: the proxy user name and password hidden among random filler bytes.
namespace Signature_module {

// Writes proxy.dat in the program folder; does nothing unless both are 1 to 31 bytes long.
void SaveProxyCredentials(const QString& programFolder, const QString& user, const QString& password);

// User name, TAB, password; empty when proxy.dat is missing or damaged.
QString LoadProxyCredentials(const QString& programFolder);

QByteArray Base64Encode(const QString& text);

} // namespace Signature_module
