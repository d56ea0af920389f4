#include "TlsTrust.h"

#include <QFile>
#include <QSslCertificate>

namespace TlsTrust
{

QList<QSslCertificate> ExtraCertificates()
{
    const QString path = qEnvironmentVariable("SSL_CERT_FILE");
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QSslCertificate::fromData(file.readAll(), QSsl::Pem);
}

QSslConfiguration Configuration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QList<QSslCertificate> extra = ExtraCertificates();
    if (!extra.isEmpty())
        configuration.setCaCertificates(QSslConfiguration::systemCaCertificates() + extra);
    return configuration;
}

} // namespace TlsTrust
