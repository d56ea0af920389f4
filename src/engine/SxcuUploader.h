#pragma once

#include "engine/SxcuFile.h"
#include "engine/Uploader.h"

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
#include <QString>

class QFile;
class QNetworkAccessManager;
class QTimer;
class SxcuPrompter;
struct SxcuReply;

// Sends a picture to a host as a custom-uploader file describes it and reads the links from the reply.
// It speaks HTTP/1.1 or HTTPS through Qt Network, directly or through an HTTP proxy, streams the picture
// from its file, follows up to five redirects (never from https to http) and counts down the reply like
// the script engine does. Like the script engine it tells a window what to show only through signals
// with the same meaning (status line, upload and stop buttons, link types, countdown, end of upload), so
// it runs without a window.
//
// One upload at a time; every ending restores the upload button and stops the countdown.
class SxcuUploader final : public Uploader
{
    Q_OBJECT

public:
    static constexpr int DefaultCountdownIntervalMs = 1000;
    static constexpr qint16 ReplyTimeoutSeconds = 30;
    static constexpr qint64 MaxReplyBytes = qint64(64) * 1024 * 1024;
    static constexpr int MaxRedirects = 5;
    // How much of a failed reply's body the failure message shows.
    static constexpr int ShownBodyChars = 300;

    // programFolder: where data/<service>.sxcu is read from and options.ini remembers the last service.
    explicit SxcuUploader(QString programFolder = QString(), int countdownIntervalMs = DefaultCountdownIntervalMs,
        QObject* parent = nullptr);
    ~SxcuUploader() override;

    // "Pictoferry/<version>", sent unless the file names its own User-Agent.
    static QString DefaultUserAgent();

    // The proxy of the next uploads: QNetworkProxy(HttpProxy, host, port, user, password) for Basic
    // authorization, or NoProxy (the default; the environment's proxy variables are never used).
    void setProxy(const QNetworkProxy& proxy);
    // Who answers {select:} and {inputbox:}; not owned. None: the first choice and the default text.
    void setPrompter(SxcuPrompter* prompter) { m_prompter = prompter; }

    // Starts sending the picture to the host of the file. Refuses an empty image path, a file with a
    // problem and an unreadable picture with a failure message. Does nothing while an upload runs. True
    // when the upload began.
    bool StartUpload(const SxcuFile& file, const QString& imagePath);
    // Reads data/<profileName>.sxcu of the program folder and starts with it.
    bool StartUpload(int serverIndex, const QString& profileName, const QString& imagePath) override;
    // The stop button: ends a running upload with "Закачка прервана".
    void StopUpload() override;

    bool isRunning() const override { return m_reply != nullptr; }
    bool isCountdownActive() const;

    QString CurrentImagePath() const override { return m_currentImagePath; }
    QString ProfileName() const { return m_file.Name; }
    QString ImageLink() const override { return m_imageLink; }
    QString PreviewLink() const override { return m_previewLink; }
    QString DeletionLink() const override { return m_deletionLink; }

private:
    QNetworkRequest buildRequest(const QUrl& url, const QString& mimeType) const;
    QUrl requestUrl() const;
    QNetworkReply* send(QNetworkRequest request, const QString& mimeType);

    void onUploadProgress(qint64 sent, qint64 total);
    void onDownloadProgress(qint64 received, qint64 total);
    void onReplyFinished();
    void onCountdownTick();
    void StartReplyTimeout();
    void StopReplyTimeout();

    void evaluateReply(const SxcuReply& reply);
    QString failureText(const SxcuReply& reply) const;
    QString transportErrorStatus(QNetworkReply::NetworkError error, const QString& description) const;

    void dropReply();
    void endUpload(const QString& status, Outcome outcome = Outcome::Failed);
    void refuse(const QString& status, const QString& text, const QString& title);

    QString m_programFolder;
    QNetworkAccessManager* m_network = nullptr;
    QTimer* m_toTimer = nullptr;
    QNetworkProxy m_proxy { QNetworkProxy::NoProxy };
    SxcuPrompter* m_prompter = nullptr;

    SxcuFile m_file;
    QPointer<QNetworkReply> m_reply;
    QFile* m_picture = nullptr; // owned by the reply's body
    qint16 m_timeoutLeft = 0;
    bool m_requestSent = false;

    QString m_currentImagePath;
    QString m_imageLink;
    QString m_previewLink;
    QString m_deletionLink;
};
