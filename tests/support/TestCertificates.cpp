#include "TestCertificates.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QStandardPaths>

namespace
{

// The requests and the signing need no system configuration of openssl.
const QByteArray Config = "[req]\n"
                          "distinguished_name = dn\n"
                          "prompt = no\n"
                          "[dn]\n"
                          "CN = Pictoferry test\n"
                          "[ca_ext]\n"
                          "basicConstraints = critical, CA:TRUE\n"
                          "keyUsage = critical, keyCertSign, cRLSign\n"
                          "subjectKeyIdentifier = hash\n"
                          "[ca]\n"
                          "default_ca = test_ca\n"
                          "[test_ca]\n"
                          "database = index.txt\n"
                          "new_certs_dir = .\n"
                          "serial = serial\n"
                          "default_md = sha256\n"
                          "policy = any\n"
                          "unique_subject = no\n"
                          "[any]\n"
                          "commonName = supplied\n";

const QStringList CurrentDates = { QStringLiteral("-days"), QStringLiteral("365") };
const QStringList PastDates = { QStringLiteral("-startdate"), QStringLiteral("20200101000000Z"),
    QStringLiteral("-enddate"), QStringLiteral("20200201000000Z") };

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString serverName(TestCertificates::Server server)
{
    switch (server) {
    case TestCertificates::Server::Valid:
        return QStringLiteral("valid");
    case TestCertificates::Server::Expired:
        return QStringLiteral("expired");
    case TestCertificates::Server::WrongHost:
        return QStringLiteral("wronghost");
    case TestCertificates::Server::Untrusted:
        return QStringLiteral("untrusted");
    }
    return {};
}

} // namespace

QString TestCertificates::program()
{
    return QStandardPaths::findExecutable(QStringLiteral("openssl"));
}

bool TestCertificates::run(const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program(), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QStringLiteral("openssl ") + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ")
            + QString::fromLocal8Bit(process.readAll()) + process.errorString();
        return false;
    }
    return true;
}

bool TestCertificates::makeCa(const QString& name)
{
    return run({ QStringLiteral("req"), QStringLiteral("-config"), path(QStringLiteral("openssl.cnf")),
        QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
        name + QStringLiteral(".key"), QStringLiteral("-out"), name + QStringLiteral(".pem"), QStringLiteral("-days"),
        QStringLiteral("3650"), QStringLiteral("-subj"), QStringLiteral("/CN=") + name, QStringLiteral("-extensions"),
        QStringLiteral("ca_ext") });
}

bool TestCertificates::makeServer(
    const QString& name, const QString& ca, const QByteArray& altName, const QStringList& dates)
{
    const QString extensions = name + QStringLiteral(".ext");
    if (!writeFile(path(extensions),
            "basicConstraints = CA:FALSE\nkeyUsage = digitalSignature\nextendedKeyUsage = serverAuth\n"
            "subjectAltName = "
                + altName + "\n")) {
        m_error = QStringLiteral("cannot write ") + path(extensions);
        return false;
    }
    return run({ QStringLiteral("req"), QStringLiteral("-config"), path(QStringLiteral("openssl.cnf")),
               QStringLiteral("-new"), QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
               QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
               name + QStringLiteral(".key"), QStringLiteral("-out"), name + QStringLiteral(".csr"),
               QStringLiteral("-subj"), QStringLiteral("/CN=") + name })
        && run(QStringList { QStringLiteral("ca"), QStringLiteral("-batch"), QStringLiteral("-notext"),
                   QStringLiteral("-config"), path(QStringLiteral("openssl.cnf")), QStringLiteral("-cert"),
                   ca + QStringLiteral(".pem"), QStringLiteral("-keyfile"), ca + QStringLiteral(".key"),
                   QStringLiteral("-extfile"), extensions, QStringLiteral("-in"), name + QStringLiteral(".csr"),
                   QStringLiteral("-out"), name + QStringLiteral(".pem") }
            + dates);
}

bool TestCertificates::make()
{
    if (program().isEmpty()) {
        m_error = QStringLiteral("openssl is not installed");
        return false;
    }
    if (!m_dir.isValid() || !writeFile(path(QStringLiteral("openssl.cnf")), Config)
        || !writeFile(path(QStringLiteral("index.txt")), {}) || !writeFile(path(QStringLiteral("serial")), "1000\n")) {
        m_error = QStringLiteral("cannot write into ") + m_dir.path();
        return false;
    }
    const QString ca = QStringLiteral("testca");
    const QString otherCa = QStringLiteral("otherca");
    return makeCa(ca) && makeCa(otherCa)
        && makeServer(serverName(Server::Valid), ca, "IP:127.0.0.1, DNS:localhost", CurrentDates)
        && makeServer(serverName(Server::Expired), ca, "IP:127.0.0.1", PastDates)
        && makeServer(serverName(Server::WrongHost), ca, "DNS:other.example", CurrentDates)
        && makeServer(serverName(Server::Untrusted), otherCa, "IP:127.0.0.1", CurrentDates);
}

QString TestCertificates::caFile() const
{
    return path(QStringLiteral("testca.pem"));
}

QString TestCertificates::certificateFile(Server server) const
{
    return path(serverName(server) + QStringLiteral(".pem"));
}

QString TestCertificates::keyFile(Server server) const
{
    return path(serverName(server) + QStringLiteral(".key"));
}

QSslConfiguration TestCertificates::serverConfiguration(Server server) const
{
    const QString name = serverName(server);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(
        QSslCertificate::fromData(readFile(path(name + QStringLiteral(".pem"))), QSsl::Pem));
    configuration.setPrivateKey(QSslKey(readFile(path(name + QStringLiteral(".key"))), QSsl::Ec, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}
