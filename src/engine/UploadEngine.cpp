#include "UploadEngine.h"

#include "engine/ByteArrayRequestSource.h"
#include "engine/Cookies.h"
#include "engine/HttpReply.h"
#include "engine/ProxyTunnel.h"
#include "engine/ServerCatalogue.h"
#include "engine/TlsTrust.h"
#include "settings/Ini.h"
#include "settings/OptionsModule.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

namespace
{

constexpr quint16 HttpPort = 80;
constexpr quint16 HttpsPort = 443;
// A proxy's answer to CONNECT is a few header lines; more without their end is no proxy.
constexpr qsizetype MaxTunnelAnswerBytes = 64 * 1024;

// The value of a SERVER line: "https://host[:port]" (TLS), "http://host[:port]" or the bare
// "host[:port]"; with a scheme, anything from a "/" after the host on is left out.
std::pair<QByteArray, bool> parseServer(const QByteArray& value)
{
    for (const bool tls : { true, false }) {
        const QByteArray scheme = tls ? "https://" : "http://";
        if (value.left(scheme.size()).toLower() == scheme) {
            const QByteArray rest = value.mid(scheme.size());
            const qsizetype slash = rest.indexOf('/');
            return { slash < 0 ? rest : rest.left(slash), tls };
        }
    }
    return { value, false };
}

bool isTlsFailure(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::SslHandshakeFailedError || error == QAbstractSocket::SslInternalError
        || error == QAbstractSocket::SslInvalidUserDataError;
}

// A proxy that demands authorization answers with the status code 407 right after the version.
bool isProxyAuthorizationDemand(const QByteArray& reply)
{
    return reply.mid(9, 4) == "407 ";
}

// "404 Not Found" within the first 19 characters: the status line of a page that is not there.
bool isNotFound(const QByteArray& reply)
{
    const qsizetype at = reply.indexOf("404 Not Found");
    return at >= 0 && at < 19;
}

// The status line of an HTTP reply that is not a success (2xx); empty for a success or a reply that is not
// HTTP.
QByteArray failureStatusLine(const QByteArray& reply)
{
    if (!reply.startsWith("HTTP/"))
        return {};
    const qsizetype lineEnd = reply.indexOf('\n');
    const QByteArray line = reply.left(lineEnd < 0 ? reply.size() : lineEnd).trimmed();
    const qsizetype space = line.indexOf(' ');
    if (space < 0 || line.mid(space + 1, 1) == "2")
        return {};
    return line;
}

const QString UploadFailedTitle = QStringLiteral("Ошибка загрузки");
const QString TimeoutStatus = QStringLiteral("Сервер не отдал ссылку. Таймаут.");
const QString ErrorTitle = QStringLiteral("Ошибка");
const QString TlsErrorStatus = QStringLiteral("Ошибка защищённого соединения");
const QString ProxyAuthorizationStatus = QStringLiteral("Необходима авторизация на прокси-сервере");

} // namespace

UploadEngine::UploadEngine(QString programFolder, const Settings& settings, int countdownIntervalMs, QObject* parent)
    : Uploader(parent)
    , m_programFolder(std::move(programFolder))
    , m_settings(settings)
    , m_mt(new QTimer(this))
    , m_toTimer(new QTimer(this))
    , m_waitLimit(new QTimer(this))
{
    m_mt->setObjectName(QStringLiteral("MT"));
    m_mt->setInterval(StepIntervalMs);
    m_toTimer->setObjectName(QStringLiteral("TOTimer"));
    m_toTimer->setInterval(countdownIntervalMs);
    m_waitLimit->setInterval(countdownIntervalMs);

    connect(m_mt, &QTimer::timeout, this, &UploadEngine::Compiler);
    connect(m_toTimer, &QTimer::timeout, this, &UploadEngine::onCountdownTick);
    connect(m_waitLimit, &QTimer::timeout, this, &UploadEngine::onWaitLimitTick);
}

UploadEngine::~UploadEngine()
{
    // The socket must not report anything into a half-destroyed engine.
    m_connectionOpen = false;
    if (!m_ws)
        return;
    m_ws->disconnect(this);
    m_ws->abort();
}

bool UploadEngine::isStepTimerActive() const
{
    return m_mt->isActive();
}

bool UploadEngine::isCountdownActive() const
{
    return m_toTimer->isActive();
}

bool UploadEngine::isWaitLimitActive() const
{
    return m_waitLimit->isActive();
}

// ---- upload start, stop and the step -------------------------------------------------------------------

bool UploadEngine::StartUpload(int serverIndex, const QString& profileName, const QString& imagePath)
{
    if (isScriptOpen())
        return false;

    RememberLastServer(m_programFolder, serverIndex, profileName);

    if (imagePath.isEmpty()) {
        showError(QStringLiteral("Чего закачивать-то будем?"), QStringLiteral("Не выбрано изображение!"));
        return false;
    }

    m_currentImagePath = imagePath;
    m_profileName = profileName;
    // Nothing of an earlier upload, an aborted one included, carries over into this one's figures.
    m_session = UploadSession();
    const QString scriptPath = ServerCatalogue::ProfilePath(m_programFolder, profileName);
    if (!m_script.open(scriptPath)) {
        setStatus(QStringLiteral("Ошибка чтения профиля сервера"));
        showError(
            QStringLiteral("Не удалось открыть профиль сервера ") + QDir::toNativeSeparators(scriptPath), ErrorTitle);
        return false;
    }
    setUploadVisible(false);
    Compiler();
    return true;
}

void UploadEngine::StopUpload()
{
    if (!isScriptOpen())
        return;
    endUpload(QStringLiteral("Закачка прервана"), Outcome::Stopped);
}

void UploadEngine::Compiler()
{
    // A loop, not nesting: any number of lines that lead straight on is safe.
    while (isScriptOpen()) {
        const std::optional<QByteArray> line = m_script.nextLine();
        if (!line) {
            scriptRanOut();
            return;
        }
        m_session.ScriptLine = *line;
        const std::optional<ScriptInstruction> instruction = ScriptLine::Parse(*line);
        if (instruction && runInstruction(instruction->name, instruction->value) == Step::Acted)
            return;
    }
}

void UploadEngine::scriptRanOut()
{
    endUpload(QStringLiteral("Ошибка в профиле сервера ") + m_profileName);
    showError(QStringLiteral("Профиль сервера ") + m_profileName + QStringLiteral(" закончился раньше команды END:.")
            + QStringLiteral("\r\n") + QStringLiteral("Закачка не завершена."),
        ErrorTitle);
}

UploadEngine::Step UploadEngine::runInstruction(const QByteArray& name, const QByteArray& value)
{
    if (name == "SERVER") {
        commandServer(value);
    } else if (name == "CONNECT") {
        commandConnect();
    } else if (name == "WAIT") {
        m_mt->stop();
        awaitSocket();
    } else if (name == "GETCOOKIES") {
        return commandGetCookies(value);
    } else if (name == "SEND") {
        commandSend(value);
    } else if (name == "SEARCHLINK") {
        commandSearchLink(value);
    } else if (name == "GOTOLINK") {
        commandGotoLink(value);
    } else if (name == "LINK") {
        m_imageLink = extractLink(value);
        setUploadVisible(true);
    } else if (name == "THLINK") {
        m_previewLink = extractLink(value);
    } else if (name == "URL" || name == "THURL" || name == "DELURL") {
        commandReplyValue(name, value);
    } else if (name == "END") {
        commandEnd();
    } else {
        // SEARCH and unknown words have no effect.
        return Step::PassedOver;
    }
    return Step::Acted;
}

// ---- the commands ----------------------------------------------------------------------------------------

void UploadEngine::commandServer(const QByteArray& value)
{
    if (!requireNoConnection())
        return;
    std::tie(m_serverHost, m_serverTls) = parseServer(value);
    m_imageLink.clear();
    m_previewLink.clear();
    m_deletionLink.clear();
    setLinkTypesEnabled(false);
    m_session.CookieFetch = false;
    connectToServer();
}

void UploadEngine::commandConnect()
{
    if (!requireNoConnection())
        return;
    connectToServer();
}

// While the proxy is on every connection goes to it: a user behind a proxy usually cannot reach the host
// directly.
void UploadEngine::connectToServer()
{
    m_mt->stop();
    if (m_settings.UseProxy) {
        setStatus(QStringLiteral("Соединение с ") + ServerHost() + QLatin1Char('(') + m_settings.ProxyHost
            + QLatin1Char(':') + m_settings.ProxyPort + QStringLiteral("..."));
        connectSocket(m_settings.ProxyHost.toLocal8Bit(), static_cast<quint16>(m_settings.ProxyPort.toUShort()), true);
    } else {
        setStatus(QStringLiteral("Соединение с ") + ServerHost() + QStringLiteral("..."));
        connectSocket(m_serverHost, m_serverTls ? HttpsPort : HttpPort, false);
    }
}

UploadEngine::Step UploadEngine::commandGetCookies(const QByteArray& value)
{
    m_serverCookies = Cookies::LookUp(m_programFolder, m_serverHost);
    if (!m_serverCookies.isEmpty()) {
        closeSocket();
        return Step::PassedOver;
    }
    if (!requireConnection())
        return Step::Acted;
    setStatus(QStringLiteral("Получение cookies..."));
    m_session.CookieFetch = true;
    sendRequest(Data::BuildGetRequest(m_serverHost, value, proxyRoute(), m_tls));
    return Step::Acted;
}

void UploadEngine::commandSend(const QByteArray& value)
{
    setStatus(QStringLiteral("Загрузка изображения на сервер..."));
    m_mt->stop();
    if (!requireConnection())
        return;

    Data::PostRequestInput input;
    input.templatePath = QDir(m_programFolder).filePath(QStringLiteral("data/") + QString::fromLocal8Bit(value));
    input.imagePath = m_currentImagePath;
    input.serverCookies = m_serverCookies;
    input.serverHost = m_serverHost;
    const Data::ProxyRoute route = proxyRoute();
    input.useProxy = route.viaProxy;
    input.proxyAuth = route.proxyAuth;
    input.proxyUser = route.proxyUser;
    input.proxyPassword = route.proxyPassword;
    Data::StreamedPostRequest request = Data::OpenPostRequest(input);
    if (!request.ok()) {
        endUpload(QStringLiteral("Ошибка чтения файла"));
        showError(QStringLiteral("Не удалось прочитать файл ") + QDir::toNativeSeparators(request.unreadableFile),
            ErrorTitle);
        return;
    }
    m_session.RequestLength = request.source->size();
    m_session.BytesSent = 0;
    sendRequest(std::move(request.source));
}

void UploadEngine::commandSearchLink(const QByteArray& value)
{
    m_session.FoundText = Data::ExtractBetween(value, m_session.ReplyBuffer);
    const qsizetype slash = m_session.FoundText.indexOf('/');
    if (m_session.FoundText != "error" && slash >= 0) {
        m_serverHost = m_session.FoundText.left(slash);
        m_session.FoundText = m_session.FoundText.mid(slash);
        return;
    }
    closeSocket();
    m_mt->stop();
    StopReplyTimeout();
    closeScript();
    showError(QStringLiteral("Ошибка загрузки изображения на сервер ") + ServerHost() + QStringLiteral("\r\n")
            + QStringLiteral("Не удалось обнаружить ссылку на изображение в ответе сервера. Возможно, "
                             "изменились параметры сервиса."),
        ErrorTitle);
    setStatus(QStringLiteral("Ошибка загрузки изображения"));
    setUploadVisible(true);
    emit ended(Outcome::Failed);
}

void UploadEngine::commandGotoLink(const QByteArray& value)
{
    if (!requireConnection())
        return;
    sendRequest(Data::BuildGetRequest(m_serverHost, value, proxyRoute(), m_tls));
    setStatus(QStringLiteral("отправлен запрос"));
}

QString UploadEngine::extractLink(const QByteArray& value)
{
    QByteArray pattern = value;
    pattern.replace("(+)", "\n");
    m_session.FoundText = Data::ExtractBetween(pattern, m_session.ReplyBuffer);
    // A link that comes complete with its scheme is kept as it is.
    if (m_session.FoundText.startsWith("http://") || m_session.FoundText.startsWith("https://"))
        return QString::fromLocal8Bit(m_session.FoundText);
    if (!m_session.FoundText.contains(m_serverHost))
        m_session.FoundText = m_serverHost + '/' + m_session.FoundText;
    m_session.FoundText.prepend(serverScheme());
    return QString::fromLocal8Bit(m_session.FoundText);
}

// A value that gives no link fails the upload as LINK: does when its markers are not found.
void UploadEngine::commandReplyValue(const QByteArray& name, const QByteArray& value)
{
    const SxcuReply reply = HttpReply::Parse(m_session.ReplyBuffer);
    const SxcuValue::Context context { &reply, QFileInfo(m_currentImagePath).fileName(), m_prompter };
    QString link = SxcuValue::EvaluateLink(QString::fromLocal8Bit(value), context);
    if (!SxcuValue::IsLink(link))
        link.clear();
    m_session.FoundText = link.toLocal8Bit();
    if (name == "URL") {
        m_imageLink
            = link.isEmpty() ? QString::fromLatin1(serverScheme()) + ServerHost() + QStringLiteral("/error") : link;
        setUploadVisible(true);
    } else if (name == "THURL") {
        m_previewLink = link;
    } else {
        m_deletionLink = link;
    }
}

void UploadEngine::commandEnd()
{
    const QByteArray statusLine = failureStatusLine(m_session.ReplyBuffer);
    closeSocket();
    m_session.ReplyBuffer.clear();
    m_mt->stop();
    closeScript();
    StopReplyTimeout();
    setUploadVisible(true);
    setLinkTypesEnabled(true);

    const bool success = !m_imageLink.endsWith(QLatin1String("/error"));
    const QPointer<UploadEngine> self(this);
    emit finished(success);
    if (!self)
        return;
    if (success) {
        emit ended(Outcome::Success);
        return;
    }
    // The server's own word on a refusal (such as 413) tells the user more than the failure alone.
    setStatus(statusLine.isEmpty() ? UploadFailedTitle
                                   : UploadFailedTitle + QStringLiteral(": ") + QString::fromLocal8Bit(statusLine));
    emit ended(Outcome::Failed);
    showError(QStringLiteral("Сервер вернул неизвестные данные. Вероятно, изменились параметры сервиса, либо это "
                             "больше не фотохостинг.")
            + QStringLiteral("\r\n\r\n")
            + QStringLiteral("Воспользуйтесь другим сервером или ждите выхода новой версии программы"),
        UploadFailedTitle);
}

bool UploadEngine::requireNoConnection()
{
    if (!m_connectionOpen && (!m_ws || m_ws->state() == QAbstractSocket::UnconnectedState))
        return true;
    endUpload(QStringLiteral("Ошибка в профиле сервера ") + m_profileName
        + QStringLiteral(": соединение уже открыто, ответ сервера не получен"));
    return false;
}

bool UploadEngine::requireConnection()
{
    if (m_connectionOpen && m_ws && m_ws->state() == QAbstractSocket::ConnectedState)
        return true;
    endUpload(QStringLiteral("Ошибка в профиле сервера ") + m_profileName
        + QStringLiteral(": запрос без соединения с сервером"));
    return false;
}

void UploadEngine::sendRequest(const QByteArray& request)
{
    sendRequest(std::make_unique<ByteArrayRequestSource>(request));
}

void UploadEngine::sendRequest(std::unique_ptr<RequestSource> request)
{
    awaitSocket();
    m_sender.start(m_ws, std::move(request));
    if (endIfSourceFailed())
        return;
    if (m_sender.isSent()) {
        onRequestSent();
        return;
    }
    startWaitLimit();
}

// A request that cannot be had whole (its picture file changed or vanished under it) is not finished on
// the wire: the connection is dropped with the request incomplete.
bool UploadEngine::endIfSourceFailed()
{
    const QString failure = m_sender.failure();
    if (failure.isEmpty())
        return false;
    endUpload(failure);
    return true;
}

Data::ProxyRoute UploadEngine::proxyRoute() const
{
    // Requests through a tunnel are the origin's own, without anything for the proxy.
    if (!m_viaProxy || m_tls)
        return {};
    return { true, m_settings.ProxyAuth, m_settings.ProxyUser, m_settings.ProxyPassword };
}

void UploadEngine::awaitSocket()
{
    if (isUploadButtonVisible())
        setUploadVisible(false);
}

// ---- the socket ------------------------------------------------------------------------------------------

void UploadEngine::connectSocket(const QByteArray& hostAndPort, quint16 defaultPort, bool viaProxy)
{
    const auto [host, port] = ProxyTunnel::SplitHostPort(hostAndPort, defaultPort);
    awaitSocket();
    useSocket(m_serverTls);
    m_connectionOpen = true;
    m_viaProxy = viaProxy;
    m_tunnel = m_tls && viaProxy ? Tunnel::Requested : Tunnel::None;
    m_tunnelAnswer.clear();
    m_tlsErrors.clear();
    startWaitLimit();
    if (m_tls && !viaProxy) {
        // The host name is both the name sent for SNI and the one the certificate must carry.
        tlsSocket()->setSslConfiguration(TlsTrust::Configuration());
        tlsSocket()->connectToHostEncrypted(QString::fromLocal8Bit(host), port);
        return;
    }
    m_ws->connectToHost(QString::fromLocal8Bit(host), port);
}

void UploadEngine::useSocket(bool tls)
{
    if (m_ws && m_tls == tls)
        return;
    if (m_ws) {
        m_ws->disconnect(this);
        m_ws->abort();
        m_ws->deleteLater();
    }
    m_tls = tls;
    if (tls) {
        auto* socket = new QSslSocket(this);
        connect(socket, &QSslSocket::encrypted, this, &UploadEngine::onConnected);
        connect(socket, &QSslSocket::sslErrors, this, &UploadEngine::onSslErrors);
        m_ws = socket;
    } else {
        m_ws = new QTcpSocket(this);
    }
    m_ws->setObjectName(QStringLiteral("WS"));
    m_ws->setProxy(QNetworkProxy::NoProxy);
    connect(m_ws, &QAbstractSocket::connected, this, &UploadEngine::onTransportConnected);
    connect(m_ws, &QAbstractSocket::readyRead, this, &UploadEngine::onDataArrival);
    connect(m_ws, &QAbstractSocket::bytesWritten, this, &UploadEngine::onSendProgress);
    connect(m_ws, &QAbstractSocket::disconnected, this, &UploadEngine::onDisconnected);
    connect(m_ws, &QAbstractSocket::errorOccurred, this, &UploadEngine::onSocketError);
}

QSslSocket* UploadEngine::tlsSocket() const
{
    return m_tls ? static_cast<QSslSocket*>(m_ws) : nullptr;
}

void UploadEngine::closeSocket()
{
    m_connectionOpen = false;
    m_viaProxy = false;
    m_tunnel = Tunnel::None;
    m_sender.reset();
    m_waitLimit->stop();
    if (m_ws)
        m_ws->abort();
    m_replyHandle.close();
}

void UploadEngine::startWaitLimit()
{
    m_waitTicksLeft = ReplyTimeoutSeconds;
    if (!m_waitLimit->isActive())
        m_waitLimit->start();
}

void UploadEngine::onWaitLimitTick()
{
    if (--m_waitTicksLeft > 0)
        return;
    m_session.ReplyBuffer.clear();
    endUpload(TimeoutStatus, Outcome::TimedOut);
}

void UploadEngine::onTransportConnected()
{
    if (!m_connectionOpen)
        return;
    if (!m_tls) {
        onConnected();
        return;
    }
    // A TLS connection is reported once its handshake is done.
    if (m_tunnel == Tunnel::Requested)
        sendTunnelRequest();
}

void UploadEngine::sendTunnelRequest()
{
    m_tunnel = Tunnel::Awaited;
    const Data::ProxyRoute route { true, m_settings.ProxyAuth, m_settings.ProxyUser, m_settings.ProxyPassword };
    m_ws->write(ProxyTunnel::ConnectRequest(m_serverHost, HttpsPort, route));
}

void UploadEngine::readTunnelAnswer()
{
    m_tunnelAnswer.append(m_ws->readAll());
    const std::optional<QByteArray> statusLine = ProxyTunnel::StatusLine(m_tunnelAnswer);
    if (!statusLine) {
        if (m_tunnelAnswer.size() > MaxTunnelAnswerBytes)
            endTunnel();
        return;
    }
    if (ProxyTunnel::IsOpened(*statusLine)) {
        startTlsInTunnel();
        return;
    }
    endTunnel();
}

void UploadEngine::startTlsInTunnel()
{
    m_tunnel = Tunnel::Handshake;
    m_tunnelAnswer.clear();
    const QString host = QString::fromLocal8Bit(ProxyTunnel::SplitHostPort(m_serverHost, HttpsPort).first);
    QSslSocket* socket = tlsSocket();
    socket->setSslConfiguration(TlsTrust::Configuration());
    socket->setPeerVerifyName(host);
    socket->startClientEncryption();
}

// The proxy did not open the tunnel: it demands authorization, refused, or went away.
void UploadEngine::endTunnel()
{
    const std::optional<QByteArray> statusLine = ProxyTunnel::StatusLine(m_tunnelAnswer);
    if (statusLine && ProxyTunnel::IsAuthorizationDemand(*statusLine)) {
        endUpload(ProxyAuthorizationStatus);
        return;
    }
    const QByteArray firstLine = m_tunnelAnswer.left(m_tunnelAnswer.indexOf('\n')).trimmed().left(200);
    endUpload(firstLine.isEmpty()
            ? QStringLiteral("Прокси-сервер закрыл соединение, не открыв туннель")
            : QStringLiteral("Прокси-сервер не открыл туннель: ") + QString::fromLocal8Bit(firstLine));
}

void UploadEngine::onSslErrors(const QList<QSslError>& errors)
{
    for (const QSslError& error : errors)
        m_tlsErrors << error.errorString();
}

// The handshake failed (a certificate that does not verify, among others): never silently.
void UploadEngine::endWithTlsError()
{
    QStringList reasons = m_tlsErrors;
    if (reasons.isEmpty())
        reasons << m_ws->errorString();
    reasons.removeDuplicates();
    const QString host = ServerHost();
    endUpload(TlsErrorStatus);
    showError(QStringLiteral("Не удалось установить защищённое соединение с ") + host + QStringLiteral(":\r\n")
            + reasons.join(QStringLiteral("\r\n")),
        TlsErrorStatus);
}

void UploadEngine::onConnected()
{
    if (!m_connectionOpen)
        return;
    m_tunnel = Tunnel::None;
    m_waitLimit->stop();
    RequestSender::BoundSendBuffer(m_ws);
    // Over TLS the bytes on the wire are encrypted, so a second handle would read nothing of use: an early
    // reply is what the TLS socket has already decrypted.
    if (!m_tls)
        m_replyHandle.take(m_ws->socketDescriptor());
    setStatus(QStringLiteral("connected"));
    m_session.ReplyBuffer.clear();
    Compiler();
}

void UploadEngine::onDataArrival()
{
    if (!m_connectionOpen)
        return;
    if (m_tunnel == Tunnel::Awaited) {
        readTunnelAnswer();
        return;
    }
    takeArrivedData();
}

bool UploadEngine::takeArrivedData()
{
    const qint64 waiting = m_ws->bytesAvailable();
    if (waiting <= 0)
        return true;
    if (m_session.ReplyBuffer.size() + waiting > MaxReplyBytes) {
        m_session.ReplyBuffer.clear();
        endUpload(QStringLiteral("Ответ сервера больше 64 МБ. Закачка прервана"));
        return false;
    }
    m_session.ReplyBuffer.append(m_ws->readAll());
    setStatus(
        QStringLiteral("Загрузка данных: ") + QString::number(m_session.ReplyBuffer.size()) + QStringLiteral(" Bytes"));
    return true;
}

void UploadEngine::onSendProgress(qint64 bytes)
{
    if (!m_connectionOpen || !m_sender.isSending())
        return;
    m_sender.bytesWritten(bytes);
    if (endIfSourceFailed())
        return;
    startWaitLimit();
    m_session.BytesSent += bytes;
    setStatus(QStringLiteral("Загрузка изображения на сервер: ") + QString::number(m_session.BytesSent / 1024)
        + QStringLiteral(" Кб из ") + QString::number(m_session.RequestLength / 1024) + QStringLiteral(" Кб передано"));
    emit progressChanged(m_session.BytesSent, m_session.RequestLength);
    if (m_sender.isSent())
        onRequestSent();
}

// The last byte of the request has left: the reply countdown begins.
void UploadEngine::onRequestSent()
{
    m_waitLimit->stop();
    setStatus(QStringLiteral("Изображение отправлено, ждем ссылку от сервера..."));
    StartReplyTimeout();
}

void UploadEngine::onDisconnected()
{
    // The server closed the connection (our own closing has already cleared the flag).
    if (!m_connectionOpen)
        return;
    if (m_tunnel == Tunnel::Awaited) {
        m_tunnelAnswer.append(m_ws->readAll());
        endTunnel();
        return;
    }
    if (!takeArrivedData())
        return;
    handleServerClose();
}

void UploadEngine::handleServerClose()
{
    const bool midSend = m_sender.isSending();
    const QAbstractSocket::SocketError error = m_ws->error();
    const QString description = m_ws->errorString();
    closeSocket();
    StopReplyTimeout();
    if (!m_session.ReplyBuffer.isEmpty()) {
        handleReply();
    } else if (midSend) {
        // A reset in the middle of the send.
        endWithSocketError(error, description);
    } else {
        endUpload(QStringLiteral("Сервер закрыл соединение, ничего не ответив"));
    }
}

void UploadEngine::handleReply()
{
    if (isProxyAuthorizationDemand(m_session.ReplyBuffer)) {
        endUpload(ProxyAuthorizationStatus);
        return;
    }

    const bool notFound = isNotFound(m_session.ReplyBuffer);
    if (m_session.CookieFetch) {
        if (m_session.ReplyBuffer.contains("Set-Cookie:")) {
            if (const std::optional<QString> cookie
                = Cookies::CaptureCookies(m_programFolder, m_session.ReplyBuffer, m_serverHost))
                m_serverCookies = *cookie;
        }
        m_session.CookieFetch = false;
    }
    if (!notFound)
        setStatus(QStringLiteral("Загрузка завершена"));
    m_mt->start();
}

void UploadEngine::onSocketError(QAbstractSocket::SocketError error)
{
    if (!m_connectionOpen)
        return;
    if (m_tls && isTlsFailure(error)) {
        endWithTlsError();
        return;
    }
    if (m_tunnel == Tunnel::Awaited && error == QAbstractSocket::RemoteHostClosedError)
        return; // the disconnection that follows ends the tunnel
    const QString description = m_ws->errorString();
    const bool midSend = m_sender.isSending();
    if (!takeArrivedData())
        return;
    // A send that failed has closed the socket's own handle before the reply waiting in the system was
    // read; the second handle still reaches it.
    if (midSend)
        m_session.ReplyBuffer.append(m_replyHandle.readWaiting(MaxReplyBytes - m_session.ReplyBuffer.size()));
    // The server closing the connection after the request is reported as an error first; the
    // disconnection that follows brings the close handling.
    if (error == QAbstractSocket::RemoteHostClosedError && !midSend)
        return;
    // A server that answered before it took the whole request (a refusal such as 413) and went away: its
    // reply counts like any other.
    if (midSend && !m_session.ReplyBuffer.isEmpty()) {
        handleServerClose();
        return;
    }
    closeSocket();
    StopReplyTimeout();
    if (!m_session.ReplyBuffer.isEmpty())
        handleReply();
    endWithSocketError(error, description);
}

// ---- the countdown ---------------------------------------------------------------------------------------

void UploadEngine::StartReplyTimeout()
{
    m_session.TimeoutLeft = ReplyTimeoutSeconds;
    m_toTimer->start();
    setCountdown(QString::number(m_session.TimeoutLeft));
}

void UploadEngine::StopReplyTimeout()
{
    setCountdown(QString());
    m_toTimer->stop();
}

void UploadEngine::onCountdownTick()
{
    if (m_session.TimeoutLeft > 0)
        --m_session.TimeoutLeft;
    setCountdown(QString::number(m_session.TimeoutLeft));
    if (m_session.TimeoutLeft > 0)
        return;
    m_session.ReplyBuffer.clear();
    endUpload(TimeoutStatus, Outcome::TimedOut);
}

// ---- endings and the window ------------------------------------------------------------------------------

void UploadEngine::closeScript()
{
    m_script.close();
}

void UploadEngine::endUpload(const QString& status, Outcome outcome)
{
    closeSocket();
    StopReplyTimeout();
    m_mt->stop();
    setUploadVisible(true);
    closeScript();
    setStatus(status);
    emit ended(outcome);
}

void UploadEngine::endWithSocketError(QAbstractSocket::SocketError error, const QString& description)
{
    endUpload(
        QStringLiteral("Ошибка сокета #") + QString::number(static_cast<int>(error)) + QLatin1Char(' ') + description);
}

void UploadEngine::showError(const QString& text, const QString& title)
{
    emit message(text, title);
}
