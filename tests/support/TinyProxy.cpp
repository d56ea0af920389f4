#include "TinyProxy.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace
{

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool accepts(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

} // namespace

TinyProxy::TinyProxy() = default;

TinyProxy::~TinyProxy()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QString TinyProxy::program()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            QStringLiteral("tinyproxy"), { QStringLiteral("/usr/bin"), QStringLiteral("/usr/sbin") });
    return found;
}

bool TinyProxy::start(const QString& user, const QString& password)
{
    const QString executable = program();
    if (executable.isEmpty()) {
        m_error = QStringLiteral("tinyproxy is not installed");
        return false;
    }
    m_port = freePort();
    const QString config = m_dir.filePath(QStringLiteral("tinyproxy.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write ") + config;
        return false;
    }
    file.write("Port " + QByteArray::number(m_port)
        + "\n"
          "Listen 127.0.0.1\n"
          "Timeout 60\n"
          "MaxClients 20\n"
          "LogLevel Info\n"
          "LogFile \""
        + m_dir.filePath(QStringLiteral("tinyproxy.log")).toLocal8Bit()
        + "\"\n"
          "PidFile \""
        + m_dir.filePath(QStringLiteral("tinyproxy.pid")).toLocal8Bit()
        + "\"\n"
          "Allow 127.0.0.1\n"
          "BasicAuth "
        + user.toLocal8Bit() + " " + password.toLocal8Bit() + "\n");
    file.close();

    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(executable, { QStringLiteral("-d"), QStringLiteral("-c"), config });
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("tinyproxy did not start: ") + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning) {
            m_error = QStringLiteral("tinyproxy ended: ") + QString::fromLocal8Bit(m_process.readAll() + log());
            return false;
        }
        if (accepts(m_port))
            return true;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("tinyproxy does not accept connections: ") + QString::fromLocal8Bit(log());
    return false;
}

QByteArray TinyProxy::log() const
{
    QFile file(m_dir.filePath(QStringLiteral("tinyproxy.log")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
