#include "TestCertificates.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

bool TestCertificates::create()
{
    const QStringList newKey = { QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes") };
    QFile extensions(m_dir.filePath(QStringLiteral("server.ext")));
    if (!extensions.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write ") + extensions.fileName();
        return false;
    }
    extensions.write("subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n"
                     "extendedKeyUsage=serverAuth\n");
    extensions.close();
    return run(QStringList { QStringLiteral("req"), QStringLiteral("-x509") } + newKey
               + QStringList { QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("ca.key")),
                   QStringLiteral("-out"), authorityFile(), QStringLiteral("-days"), QStringLiteral("2"),
                   QStringLiteral("-subj"), QStringLiteral("/CN=Pictoferry Test CA") })
        && run(QStringList { QStringLiteral("req") } + newKey
            + QStringList { QStringLiteral("-keyout"), keyFile(), QStringLiteral("-out"),
                m_dir.filePath(QStringLiteral("server.csr")), QStringLiteral("-subj"),
                QStringLiteral("/CN=127.0.0.1") })
        && run({ QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
            m_dir.filePath(QStringLiteral("server.csr")), QStringLiteral("-CA"), authorityFile(),
            QStringLiteral("-CAkey"), m_dir.filePath(QStringLiteral("ca.key")), QStringLiteral("-CAcreateserial"),
            QStringLiteral("-out"), certificateFile(), QStringLiteral("-days"), QStringLiteral("2"),
            QStringLiteral("-extfile"), extensions.fileName() });
}

bool TestCertificates::run(const QStringList& arguments)
{
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        m_error = QStringLiteral("openssl is not installed");
        return false;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(openssl, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        m_error = QStringLiteral("openssl ") + arguments.join(u' ') + QStringLiteral(": ")
            + QString::fromLocal8Bit(process.readAll());
        return false;
    }
    return true;
}
