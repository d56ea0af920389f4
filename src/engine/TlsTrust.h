#pragma once

#include <QSslConfiguration>
#include <QString>

// Which certificates an HTTPS connection of the program trusts: Qt's default configuration (the
// system's certificate authorities), and in addition the certificates of the PEM file that the
// environment variable SSL_CERT_FILE names, when it is set. A company proxy's own authority, or a test
// server's, is trusted this way without touching the system's store.
namespace TlsTrust
{

// The configuration for the environment of this process.
QSslConfiguration Configuration();

// The same with the extra certificates of that file (none when the path is empty or unreadable).
QSslConfiguration Configuration(const QString& extraCertificateFile);

} // namespace TlsTrust
