#include "SxcuUploader.h"

#include "engine/ServerCatalogue.h"
#include "engine/SxcuValue.h"
#include "engine/TlsTrust.h"
#include "settings/Ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QMimeDatabase>
#include <QNetworkAccessManager>
#include <QTimer>

namespace
{

const QString UploadFailedTitle = QStringLiteral("Ошибка загрузки");
const QString ErrorTitle = QStringLiteral("Ошибка");

// A quoted value of a Content-Disposition header, escaped as browsers do.
QByteArray quoted(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('"', "%22").replace('\r', "%0D").replace('\n', "%0A");
    return '"' + bytes + '"';
}

// The socket error that a transport failure of a reply stands for.
QAbstractSocket::SocketError socketError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QAbstractSocket::ConnectionRefusedError;
    case QNetworkReply::RemoteHostClosedError:
        return QAbstractSocket::RemoteHostClosedError;
    case QNetworkReply::HostNotFoundError:
        return QAbstractSocket::HostNotFoundError;
    case QNetworkReply::TimeoutError:
        return QAbstractSocket::SocketTimeoutError;
    case QNetworkReply::SslHandshakeFailedError:
        return QAbstractSocket::SslHandshakeFailedError;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QAbstractSocket::NetworkError;
    case QNetworkReply::ProxyConnectionRefusedError:
        return QAbstractSocket::ProxyConnectionRefusedError;
    case QNetworkReply::ProxyConnectionClosedError:
        return QAbstractSocket::ProxyConnectionClosedError;
    case QNetworkReply::ProxyTimeoutError:
        return QAbstractSocket::ProxyConnectionTimeoutError;
    case QNetworkReply::ProxyNotFoundError:
        return QAbstractSocket::ProxyNotFoundError;
    default:
        return QAbstractSocket::UnknownSocketError;
    }
}

// A reply that came from the server in full, whatever its status: the errors Qt derives from the
// status code. Anything else cut the exchange short.
bool isCompleteReply(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::NoError
        || (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError)
        || error == QNetworkReply::ProtocolInvalidOperationError;
}

} // namespace

SxcuUploader::SxcuUploader(QString programFolder, int countdownIntervalMs, QObject* parent)
    : Uploader(parent)
    , m_programFolder(std::move(programFolder))
    , m_network(new QNetworkAccessManager(this))
    , m_toTimer(new QTimer(this))
{
    m_network->setProxy(m_proxy);
    m_toTimer->setObjectName(QStringLiteral("TOTimer"));
    m_toTimer->setInterval(countdownIntervalMs);
    connect(m_toTimer, &QTimer::timeout, this, &SxcuUploader::onCountdownTick);
}

SxcuUploader::~SxcuUploader()
{
    dropReply();
}

QString SxcuUploader::DefaultUserAgent()
{
    return QStringLiteral("Pictoferry/" PICTOFERRY_VERSION);
}

void SxcuUploader::setProxy(const QNetworkProxy& proxy)
{
    m_proxy = proxy;
    m_network->setProxy(proxy);
}

bool SxcuUploader::isCountdownActive() const
{
    return m_toTimer->isActive();
}

// ---- start and stop --------------------------------------------------------------------------------------

bool SxcuUploader::StartUpload(int serverIndex, const QString& profileName, const QString& imagePath)
{
    if (isRunning())
        return false;
    RememberLastServer(m_programFolder, serverIndex, profileName);
    return StartUpload(SxcuFile::Read(ServerCatalogue::SxcuPath(m_programFolder, profileName)), imagePath);
}

bool SxcuUploader::StartUpload(const SxcuFile& file, const QString& imagePath)
{
    if (isRunning())
        return false;
    if (imagePath.isEmpty()) {
        emit message(QStringLiteral("Чего закачивать-то будем?"), QStringLiteral("Не выбрано изображение!"));
        return false;
    }
    if (!file.isUsable()) {
        refuse(QStringLiteral("Ошибка в профиле сервера ") + file.FileName, file.Problem, ErrorTitle);
        return false;
    }
    auto* picture = new QFile(imagePath, this);
    if (!picture->open(QIODevice::ReadOnly)) {
        delete picture;
        refuse(QStringLiteral("Ошибка чтения файла"),
            QStringLiteral("Не удалось прочитать файл ") + QDir::toNativeSeparators(imagePath), ErrorTitle);
        return false;
    }

    m_file = file;
    m_currentImagePath = imagePath;
    m_imageLink.clear();
    m_previewLink.clear();
    m_deletionLink.clear();
    m_requestSent = false;
    m_picture = picture;
    setLinkTypesEnabled(false);
    setUploadVisible(false);

    const QUrl url = requestUrl();
    const QString host = url.host() + (url.port() > 0 ? QLatin1Char(':') + QString::number(url.port()) : QString());
    if (m_proxy.type() == QNetworkProxy::NoProxy) {
        setStatus(QStringLiteral("Соединение с ") + host + QStringLiteral("..."));
    } else {
        setStatus(QStringLiteral("Соединение с ") + host + QLatin1Char('(') + m_proxy.hostName() + QLatin1Char(':')
            + QString::number(m_proxy.port()) + QStringLiteral("..."));
    }
    const QString mimeType = QMimeDatabase().mimeTypeForFile(imagePath).name();
    m_reply = send(buildRequest(url, mimeType), mimeType);
    connect(m_reply, &QNetworkReply::uploadProgress, this, &SxcuUploader::onUploadProgress);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &SxcuUploader::onDownloadProgress);
    connect(m_reply, &QNetworkReply::finished, this, &SxcuUploader::onReplyFinished);
    return true;
}

void SxcuUploader::StopUpload()
{
    if (!isRunning())
        return;
    dropReply();
    endUpload(QStringLiteral("Закачка прервана"), Outcome::Stopped);
}

// ---- the request -----------------------------------------------------------------------------------------

// The file's address with its Parameters added to the query, every value URL-encoded.
QUrl SxcuUploader::requestUrl() const
{
    const SxcuValue::Context context { nullptr, QFileInfo(m_currentImagePath).fileName(), m_prompter };
    QUrl url(SxcuValue::Evaluate(m_file.RequestURL, context));
    QString query = url.query(QUrl::FullyEncoded);
    for (const auto& [name, value] : m_file.Parameters) {
        if (!query.isEmpty())
            query += QLatin1Char('&');
        query += QString::fromLatin1(
            QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(SxcuValue::Evaluate(value, context)));
    }
    if (!query.isEmpty())
        url.setQuery(query, QUrl::StrictMode);
    return url;
}

QNetworkRequest SxcuUploader::buildRequest(const QUrl& url, const QString& mimeType) const
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setSslConfiguration(TlsTrust::Configuration());

    const SxcuValue::Context context { nullptr, QFileInfo(m_currentImagePath).fileName(), m_prompter };
    bool userAgentSet = false;
    for (const auto& [name, value] : m_file.Headers) {
        const bool multipartType = m_file.Body == SxcuFile::BodyKind::MultipartFormData
            && name.compare(QLatin1String("Content-Type"), Qt::CaseInsensitive) == 0;
        // The multipart type carries the boundary, and the length is the body's: neither is the file's to set.
        if (multipartType || name.compare(QLatin1String("Content-Length"), Qt::CaseInsensitive) == 0)
            continue;
        userAgentSet = userAgentSet || name.compare(QLatin1String("User-Agent"), Qt::CaseInsensitive) == 0;
        request.setRawHeader(name.toUtf8(), SxcuValue::Evaluate(value, context).toUtf8());
    }
    if (!userAgentSet)
        request.setHeader(QNetworkRequest::UserAgentHeader, DefaultUserAgent());
    if (m_file.Body == SxcuFile::BodyKind::Binary) {
        if (!request.header(QNetworkRequest::ContentTypeHeader).isValid())
            request.setHeader(QNetworkRequest::ContentTypeHeader, mimeType);
        request.setHeader(QNetworkRequest::ContentLengthHeader, m_picture->size());
    }
    return request;
}

// Sends the request with the picture read from its file while it goes out, never copied whole.
QNetworkReply* SxcuUploader::send(QNetworkRequest request, const QString& mimeType)
{
    const QByteArray verb = m_file.RequestMethod.toLatin1();
    if (m_file.Body == SxcuFile::BodyKind::Binary) {
        QNetworkReply* reply = m_network->sendCustomRequest(request, verb, m_picture);
        m_picture->setParent(reply);
        return reply;
    }

    auto* multipart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    const SxcuValue::Context context { nullptr, QFileInfo(m_currentImagePath).fileName(), m_prompter };
    for (const auto& [name, value] : m_file.Arguments) {
        QHttpPart part;
        part.setRawHeader("Content-Disposition", "form-data; name=" + quoted(name));
        part.setBody(SxcuValue::Evaluate(value, context).toUtf8());
        multipart->append(part);
    }
    QHttpPart filePart;
    filePart.setRawHeader("Content-Disposition",
        "form-data; name=" + quoted(m_file.FileFormName) + "; filename=" + quoted(context.fileName));
    filePart.setRawHeader("Content-Type", mimeType.toLatin1());
    filePart.setBodyDevice(m_picture);
    m_picture->setParent(multipart);
    multipart->append(filePart);

    QNetworkReply* reply = m_network->sendCustomRequest(request, verb, multipart);
    multipart->setParent(reply);
    return reply;
}

// ---- progress and the reply ------------------------------------------------------------------------------

void SxcuUploader::onUploadProgress(qint64 sent, qint64 total)
{
    if (!isRunning() || total <= 0 || m_requestSent)
        return;
    emit progressChanged(sent, total);
    setStatus(QStringLiteral("Загрузка изображения на сервер: ") + QString::number(sent / 1024)
        + QStringLiteral(" Кб из ") + QString::number(total / 1024) + QStringLiteral(" Кб передано"));
    if (sent < total)
        return;
    m_requestSent = true;
    setStatus(QStringLiteral("Изображение отправлено, ждем ссылку от сервера..."));
    StartReplyTimeout();
}

void SxcuUploader::onDownloadProgress(qint64 received, qint64)
{
    if (!isRunning() || received <= 0)
        return;
    if (received > MaxReplyBytes) {
        dropReply();
        endUpload(QStringLiteral("Ответ сервера больше 64 МБ. Закачка прервана"));
        return;
    }
    setStatus(QStringLiteral("Загрузка данных: ") + QString::number(received) + QStringLiteral(" Bytes"));
}

void SxcuUploader::onReplyFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || !isCompleteReply(reply->error())) {
        const QString text = transportErrorStatus(reply->error(), reply->errorString());
        dropReply();
        endUpload(text);
        return;
    }
    SxcuReply result;
    result.statusCode = status.toInt();
    result.statusLine = QString::number(result.statusCode) + QLatin1Char(' ')
        + reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    result.headers = reply->rawHeaderPairs();
    result.body = reply->readAll();
    result.url = reply->url().toString();
    dropReply();
    StopReplyTimeout();
    setStatus(QStringLiteral("Загрузка завершена"));
    evaluateReply(result);
}

void SxcuUploader::evaluateReply(const SxcuReply& reply)
{
    const SxcuValue::Context context { &reply, QFileInfo(m_currentImagePath).fileName(), m_prompter };
    if (reply.isSuccess()) {
        m_imageLink = SxcuValue::EvaluateLink(m_file.URL, context);
        const QString preview
            = m_file.ThumbnailURL.isEmpty() ? QString() : SxcuValue::EvaluateLink(m_file.ThumbnailURL, context);
        m_previewLink = SxcuValue::IsLink(preview) ? preview : m_imageLink;
        const QString deletion
            = m_file.DeletionURL.isEmpty() ? QString() : SxcuValue::EvaluateLink(m_file.DeletionURL, context);
        m_deletionLink = SxcuValue::IsLink(deletion) ? deletion : QString();
    }
    const bool success = reply.isSuccess() && SxcuValue::IsLink(m_imageLink);
    if (!success) {
        m_imageLink.clear();
        m_previewLink.clear();
        m_deletionLink.clear();
    }
    setUploadVisible(true);
    setLinkTypesEnabled(true);

    const QPointer<SxcuUploader> self(this);
    emit finished(success);
    if (!self)
        return;
    if (success) {
        emit ended(Outcome::Success);
        return;
    }
    setStatus(UploadFailedTitle);
    emit ended(Outcome::Failed);
    emit message(failureText(reply), UploadFailedTitle);
}

QString SxcuUploader::failureText(const SxcuReply& reply) const
{
    if (reply.isSuccess()) {
        return QStringLiteral("Сервер вернул неизвестные данные. Вероятно, изменились параметры сервиса, либо это "
                              "больше не фотохостинг.")
            + QStringLiteral("\r\n\r\n")
            + QStringLiteral("Воспользуйтесь другим сервером или ждите выхода новой версии программы");
    }
    const SxcuValue::Context context { &reply, QFileInfo(m_currentImagePath).fileName(), m_prompter };
    QString detail
        = m_file.ErrorMessage.isEmpty() ? QString() : SxcuValue::Evaluate(m_file.ErrorMessage, context).trimmed();
    if (detail.isEmpty()) {
        const QString body = QString::fromUtf8(reply.body).trimmed();
        detail = body.left(ShownBodyChars) + (body.size() > ShownBodyChars ? QStringLiteral("…") : QString());
    }
    QString text = QStringLiteral("Ошибка загрузки изображения на сервер ") + m_file.Name + QStringLiteral("\r\n")
        + QStringLiteral("Ответ сервера: ") + reply.statusLine;
    if (!detail.isEmpty())
        text += QStringLiteral("\r\n\r\n") + detail;
    return text;
}

QString SxcuUploader::transportErrorStatus(QNetworkReply::NetworkError error, const QString& description) const
{
    switch (error) {
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("Необходима авторизация на прокси-сервере");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("Сервер перенаправил закачку больше %1 раз. Закачка прервана").arg(MaxRedirects);
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("Сервер перенаправил закачку с https на http. Закачка прервана");
    default:
        return QStringLiteral("Ошибка сокета #") + QString::number(static_cast<int>(socketError(error)))
            + QLatin1Char(' ') + description;
    }
}

// ---- the countdown ---------------------------------------------------------------------------------------

void SxcuUploader::StartReplyTimeout()
{
    m_timeoutLeft = ReplyTimeoutSeconds;
    m_toTimer->start();
    setCountdown(QString::number(m_timeoutLeft));
}

void SxcuUploader::StopReplyTimeout()
{
    setCountdown(QString());
    m_toTimer->stop();
}

void SxcuUploader::onCountdownTick()
{
    if (m_timeoutLeft > 0)
        --m_timeoutLeft;
    setCountdown(QString::number(m_timeoutLeft));
    if (m_timeoutLeft > 0)
        return;
    dropReply();
    endUpload(QStringLiteral("Сервер не отдал ссылку. Таймаут."), Outcome::TimedOut);
}

// ---- endings ---------------------------------------------------------------------------------------------

void SxcuUploader::dropReply()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    m_picture = nullptr;
    if (!reply)
        return;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

// The ending of an upload that got no usable reply; the link types stay as they are, as with scripts.
void SxcuUploader::endUpload(const QString& status, Outcome outcome)
{
    StopReplyTimeout();
    setUploadVisible(true);
    setStatus(status);
    emit ended(outcome);
}

void SxcuUploader::refuse(const QString& status, const QString& text, const QString& title)
{
    setStatus(status);
    emit message(text, title);
}
