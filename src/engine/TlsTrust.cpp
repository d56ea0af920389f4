#include "TlsTrust.h"

#include <QFile>
#include <QSslCertificate>

namespace TlsTrust
{

QList<QSslCertificate> ExtraCertificates()
{
    return ExtraCertificates(qEnvironmentVariable("SSL_CERT_FILE"));
}

QList<QSslCertificate> ExtraCertificates(const QString& path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QSslCertificate::fromData(file.readAll(), QSsl::Pem);
}

QSslConfiguration Configuration()
{
    return Configuration(qEnvironmentVariable("SSL_CERT_FILE"));
}

QSslConfiguration Configuration(const QString& extraCertificateFile)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QList<QSslCertificate> extra = ExtraCertificates(extraCertificateFile);
    if (extra.isEmpty())
        return configuration;
    // Naming the authorities explicitly ends the loading of the system's ones on demand, so they are
    // named too; the system's store lists some of them twice.
    QList<QSslCertificate> authorities = configuration.caCertificates();
    for (const QSslCertificate& certificate : QSslConfiguration::systemCaCertificates() + extra) {
        if (!authorities.contains(certificate))
            authorities.append(certificate);
    }
    configuration.setCaCertificates(authorities);
    return configuration;
}

} // namespace TlsTrust
