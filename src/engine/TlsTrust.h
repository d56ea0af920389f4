#pragma once

#include <QSslConfiguration>
#include <QSslSocket>

// The certificates an https connection trusts: the system's store, plus the PEM certificates of the file
// named by the SSL_CERT_FILE environment variable when it is set (the convention of OpenSSL, curl and
// Python; a user trusts a self-hosted server's own CA this way). Verification of the peer is always on.
namespace TlsTrust
{

// The configuration for a client connection; the variable is read at each call.
QSslConfiguration Configuration();

// The same with the certificates of the given PEM file in place of SSL_CERT_FILE's.
QSslConfiguration Configuration(const QString& extraCertificateFile);

// The certificates of the SSL_CERT_FILE file; none when it is unset or unreadable.
QList<QSslCertificate> ExtraCertificates();
QList<QSslCertificate> ExtraCertificates(const QString& path);

} // namespace TlsTrust
