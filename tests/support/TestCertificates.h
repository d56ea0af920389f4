#pragma once

#include <QByteArray>
#include <QSslConfiguration>
#include <QString>
#include <QTemporaryDir>

// A test CA and server certificates for 127.0.0.1 made with the openssl command in a temporary folder:
// one that the test CA signed, one whose validity has ended, one for another host name, and one from a CA
// that nobody trusts.
class TestCertificates final
{
public:
    enum class Server { Valid, Expired, WrongHost, Untrusted };

    // The openssl program found on PATH; empty when it is not installed.
    static QString program();

    // Makes all of them; false (see errorText) when openssl failed.
    bool make();
    QString errorText() const { return m_error; }

    // The PEM file of the test CA, for SSL_CERT_FILE.
    QString caFile() const;
    // A server configuration with the certificate and its key.
    QSslConfiguration serverConfiguration(Server server) const;
    // The PEM files of a server's certificate and key.
    QString certificateFile(Server server = Server::Valid) const;
    QString keyFile(Server server = Server::Valid) const;

private:
    bool run(const QStringList& arguments);
    bool makeCa(const QString& name);
    bool makeServer(const QString& name, const QString& ca, const QByteArray& altName, const QStringList& dates);
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QString m_error;
};
