#include "CheckUpgrade.h"

#include "UpdateSite.h"
#include "settings/Ini.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QUrlQuery>

#include <utility>

namespace
{

const QString VersionPath = QStringLiteral("/picferry/version.info");
const QString FollowUpPath = QStringLiteral("/picferry/check.php");
// The name under which the version file was kept in the program folder during a check; it never
// stays behind once a check is over.
const QString VersionFileName = QStringLiteral("version.info");

// The update server text as the root of an http address; an empty address when the text is more than
// a host with an optional port.
QUrl parseServer(const QString& server)
{
    const QUrl url(QStringLiteral("http://") + server, QUrl::StrictMode);
    const bool plainHost = url.isValid() && !url.host().isEmpty() && url.path().isEmpty() && !url.hasQuery()
        && !url.hasFragment() && url.userInfo().isEmpty();
    return plainHost ? url : QUrl();
}

QNetworkProxy proxyOf(const Settings& settings)
{
    if (!settings.UseProxy)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    QNetworkProxy proxy(QNetworkProxy::HttpProxy, settings.ProxyHost, settings.ProxyPort.toUShort());
    if (settings.ProxyAuth) {
        proxy.setUser(settings.ProxyUser);
        proxy.setPassword(settings.ProxyPassword);
    }
    return proxy;
}

bool succeeded(const QNetworkReply& reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return reply.error() == QNetworkReply::NoError && status >= 200 && status < 300;
}

} // namespace

CheckUpgrade::CheckUpgrade(QString programFolder, Settings settings, int limitMs, QObject* parent)
    : QObject(parent)
    , m_programFolder(std::move(programFolder))
    , m_settings(std::move(settings))
    , m_network(new QNetworkAccessManager(this))
{
    m_limit.setSingleShot(true);
    m_limit.setInterval(limitMs);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        if (m_reply)
            m_reply->abort();
    });
}

CheckUpgrade::~CheckUpgrade()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

QString CheckUpgrade::UpdateServer(const QString& programFolder)
{
    Ini::SetFileName(QDir(programFolder).filePath(QStringLiteral("options.ini")));
    const QString server = Ini().RINI(QStringLiteral("Main"), QStringLiteral("UpdateServer"));
    return server.isEmpty() ? QString::fromLatin1(UpdateSite::DefaultUpdateServer) : server;
}

CheckUpgrade::Result CheckUpgrade::Compare(const QByteArray& versionFile, const QString& programVersion)
{
    // An empty reply names no version at all; reporting it as a found version would be wrong.
    if (versionFile.isEmpty())
        return ConnectionError();
    // Twelve bytes hold at least three characters of any 8-bit or UTF-8 text.
    const QString version = QString::fromLocal8Bit(versionFile.left(12)).left(3);
    if (version == programVersion)
        return { Outcome::Newest, QString(), QStringLiteral("Ваша версия самая новая") };
    return { Outcome::FoundVersion, version, QStringLiteral("Найдена версия ") + version };
}

CheckUpgrade::Result CheckUpgrade::ConnectionError()
{
    return { Outcome::ConnectionError, QString(), QStringLiteral("Ошибка подключения к серверу") };
}

void CheckUpgrade::Start()
{
    if (m_running)
        return;
    m_running = true;
    m_server = parseServer(UpdateServer(m_programFolder));
    if (m_server.isEmpty()) {
        QTimer::singleShot(0, this, [this] { finish(ConnectionError()); });
        return;
    }
    m_network->setProxy(proxyOf(m_settings));
    m_limit.start();
    request(serverUrl(VersionPath, QStringLiteral("rnd"), freshRandomDigits()), Phase::Version);
}

QUrl CheckUpgrade::serverUrl(const QString& path, const QString& queryKey, const QString& queryValue) const
{
    QUrl url = m_server;
    url.setPath(path);
    QUrlQuery query;
    query.addQueryItem(queryKey, queryValue);
    url.setQuery(query);
    return url;
}

// Digits that make every version request distinct, so that no cache on the way answers it.
QString CheckUpgrade::freshRandomDigits()
{
    QString digits;
    do
        digits = QString::number(QRandomGenerator::global()->generate64() % Q_UINT64_C(10000000000000000));
    while (digits == m_lastRandom);
    m_lastRandom = digits;
    return digits;
}

void CheckUpgrade::request(const QUrl& url, Phase phase)
{
    m_phase = phase;
    m_body.clear();
    m_tooLong = false;
    m_reply = m_network->get(QNetworkRequest(url));
    // The reply keeps at most this much unread, so an endless answer never fills the memory.
    m_reply->setReadBufferSize(MaxVersionFileBytes + 1);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > MaxVersionFileBytes) {
            m_tooLong = true;
            m_reply->abort();
        }
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &CheckUpgrade::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &CheckUpgrade::replyFinished);
}

void CheckUpgrade::readBody()
{
    m_body += m_reply->readAll();
    if (m_body.size() > MaxVersionFileBytes) {
        m_tooLong = true;
        m_reply->abort();
    }
}

void CheckUpgrade::replyFinished()
{
    QNetworkReply* reply = std::exchange(m_reply, nullptr);
    reply->deleteLater();
    if (m_phase == Phase::FollowUp) {
        // What the server says to the follow-up, or that it says nothing, changes nothing.
        finish(m_versionResult);
        return;
    }
    if (m_tooLong || !succeeded(*reply)) {
        finish(ConnectionError());
        return;
    }
    m_body += reply->readAll();
    if (m_body.size() > MaxVersionFileBytes) {
        finish(ConnectionError());
        return;
    }
    m_versionResult = Compare(m_body, UpdateSite::ProgramVersion());
    if (m_versionResult.outcome == Outcome::ConnectionError) {
        finish(m_versionResult);
        return;
    }
    request(serverUrl(FollowUpPath, QStringLiteral("date"), QDate::currentDate().toString(QStringLiteral("MM.yyyy"))),
        Phase::FollowUp);
}

void CheckUpgrade::finish(const Result& result)
{
    m_limit.stop();
    m_phase = Phase::Idle;
    m_running = false;
    QFile::remove(QDir(m_programFolder).filePath(VersionFileName));
    emit finished(result);
}
