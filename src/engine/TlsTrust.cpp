#include "TlsTrust.h"

#include <QSslCertificate>

namespace TlsTrust
{

QSslConfiguration Configuration()
{
    return Configuration(qEnvironmentVariable("SSL_CERT_FILE"));
}

QSslConfiguration Configuration(const QString& extraCertificateFile)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    if (extraCertificateFile.isEmpty())
        return configuration;
    const QList<QSslCertificate> extra = QSslCertificate::fromPath(extraCertificateFile, QSsl::Pem);
    if (extra.isEmpty())
        return configuration;
    // Naming the authorities explicitly ends the loading of the system's ones on demand, so they are
    // named too.
    QList<QSslCertificate> authorities = configuration.caCertificates();
    for (const QSslCertificate& certificate : QSslConfiguration::systemCaCertificates() + extra) {
        if (!authorities.contains(certificate))
            authorities.append(certificate);
    }
    configuration.setCaCertificates(authorities);
    return configuration;
}

} // namespace TlsTrust
