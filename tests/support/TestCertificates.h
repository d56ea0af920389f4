#pragma once

#include <QString>
#include <QTemporaryDir>

// A certificate authority of a test and a server certificate it signed for 127.0.0.1 and localhost,
// made with the openssl command in a temporary folder. Trusting the authority (SSL_CERT_FILE) makes a
// test server's HTTPS valid.
class TestCertificates final
{
public:
    // Makes the files; false (see errorText) when openssl is missing or fails.
    bool create();

    QString authorityFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("server.pem")); }
    QString keyFile() const { return m_dir.filePath(QStringLiteral("server.key")); }
    QString errorText() const { return m_error; }

private:
    bool run(const QStringList& arguments);

    QTemporaryDir m_dir;
    QString m_error;
};
