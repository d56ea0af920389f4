#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's tinyproxy run in the foreground on 127.0.0.1 with a free port and Basic authorization, its
// configuration and log in a temporary folder. Stopped with the object.
class TinyProxy final
{
public:
    TinyProxy();
    ~TinyProxy();
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;

    // The tinyproxy program found on PATH; empty when it is not installed.
    static QString program();

    // Starts the proxy and waits until it accepts connections; false (see errorText) when it does not.
    bool start(const QString& user, const QString& password);
    quint16 port() const { return m_port; }
    QString errorText() const { return m_error; }
    QByteArray log() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
