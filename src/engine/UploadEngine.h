#pragma once

#include "engine/Data.h"
#include "engine/ReplyHandle.h"
#include "engine/RequestSender.h"
#include "engine/ScriptReader.h"
#include "engine/UploadSession.h"

#include <QAbstractSocket>
#include <QObject>
#include <QPointer>
#include <QString>

class QSslSocket;
class QTimer;
class SxcuPrompter;
class QWidget;
struct Settings;

// The upload engine: runs a server profile script one line per step, speaks HTTP/1.0 over its socket
// (directly or through the configured proxy), follows the reply countdown and finds the links in the
// replies. It owns the socket WS, the step timer MT, the reply countdown TOTimer and the open script, and
// tells the main window what to show only through its signals, so it runs without a window.
//
// One upload at a time. Every ending restores the upload button, stops the timers and closes the script;
// message boxes are shown only after the timers are stopped. Every waiting state has a way out: a
// connection attempt and a send that makes no progress are limited to the same 30 seconds as the reply
// countdown, and while a step waits for the socket the stop button is shown.
class UploadEngine final : public QObject
{
    Q_OBJECT

public:
    static constexpr int StepIntervalMs = 5;
    static constexpr int DefaultCountdownIntervalMs = 1000;
    static constexpr qint16 ReplyTimeoutSeconds = 30;
    static constexpr qint64 MaxReplyBytes = qint64(64) * 1024 * 1024;

    // The settings are read at each step, so changes made between uploads apply to the next one. The
    // countdown interval is one second of the reply countdown and of the limits on connecting and sending.
    UploadEngine(QString programFolder, const Settings& settings, int countdownIntervalMs = DefaultCountdownIntervalMs,
        QObject* parent = nullptr);
    ~UploadEngine() override;

    // The window that owns the engine's message boxes.
    void setMessageParent(QWidget* parent) { m_messageParent = parent; }
    // Who answers the questions of URL:, THURL: and DELURL: values; none takes the first choice or default.
    void setPrompter(SxcuPrompter* prompter) { m_prompter = prompter; }

    // The upload button: writes [Main] LastServer = serverIndex to options.ini, refuses an empty image
    // path with a message, opens data/<profileName>.serv, swaps the buttons and runs the first step.
    // Does nothing at all while a script is open. True when the upload began.
    bool StartUpload(int serverIndex, const QString& profileName, const QString& imagePath);

    // The stop button: ends a running upload with "Закачка прервана".
    void StopUpload();

    // One step: reads the script's lines and runs them until one acts (a line that does nothing, and
    // GETCOOKIES with a kept cookie, lead straight on to the next line).
    void Compiler();

    void StartReplyTimeout();
    void StopReplyTimeout();

    bool isScriptOpen() const { return m_script.isOpen(); }
    bool isUploadButtonVisible() const { return m_uploadVisible; } // else the stop button is
    bool isLinkTypesEnabled() const { return m_linkTypesEnabled; }
    bool isStepTimerActive() const;
    bool isCountdownActive() const;
    // The limit on a connection attempt or a stalled send is running.
    bool isWaitLimitActive() const;
    QString statusText() const { return m_status; }
    QString countdownText() const { return m_countdown; }

    QString CurrentImagePath() const { return m_currentImagePath; }
    QString ProfileName() const { return m_profileName; }
    QString ServerHost() const { return QString::fromLocal8Bit(m_serverHost); }
    QString ImageLink() const { return m_imageLink; }
    QString PreviewLink() const { return m_previewLink; }
    QString DeletionLink() const { return m_deletionLink; }
    QString ServerCookies() const { return m_serverCookies; }
    const UploadSession& session() const { return m_session; }

signals:
    // The status line st.
    void statusChanged(const QString& text);
    // Command2 visible and CommandStop hidden (true), or the other way round (false).
    void uploadButtonsChanged(bool uploadVisible);
    // The link-type list LinksType.
    void linkTypesEnabledChanged(bool enabled);
    // The countdown label TOLabel: the seconds left, or empty.
    void countdownChanged(const QString& text);
    // The script reached END; success unless the image link ends with "/error". The links and the image
    // path are final when this is emitted. On failure the engine then sets the status "Ошибка загрузки" and
    // shows its message box. The engine must not be deleted synchronously from a connected slot.
    void finished(bool success);

private:
    void onConnected();
    void onDataArrival();
    void onSendProgress(qint64 bytes);
    void onDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void onCountdownTick();
    void onWaitLimitTick();

    enum class Step { Acted, PassedOver };

    // Returns false when the upload ended because the reply grew too large.
    bool takeArrivedData();
    void handleServerClose();
    void handleReply();
    void onRequestSent();

    void scriptRanOut();
    Step runInstruction(const QByteArray& name, const QByteArray& value);
    void commandServer(const QByteArray& value);
    void commandConnect();
    void connectToServer();
    Step commandGetCookies(const QByteArray& value);
    void commandSend(const QByteArray& value);
    void commandSearchLink(const QByteArray& value);
    void commandGotoLink(const QByteArray& value);
    QString extractLink(const QByteArray& value);
    // URL:, THURL: and DELURL: take a link from the last reply with the custom-uploader value syntax.
    void commandReplyValue(const QByteArray& name, const QByteArray& value);
    void commandEnd();

    bool requireNoConnection();
    bool requireConnection();
    void sendRequest(const QByteArray& request);
    // What the current connection needs for its requests.
    Data::ProxyRoute proxyRoute() const;
    // A step now waits for the socket: the stop button must be at hand.
    void awaitSocket();

    void connectSocket(const QByteArray& hostAndPort, quint16 defaultPort, bool viaProxy);
    void closeSocket();
    void startWaitLimit();
    void closeScript();
    // The ending shared by every failure: socket closed, countdown and step timer stopped, buttons
    // restored, script closed, then the status text.
    void endUpload(const QString& status);
    void endWithSocketError(QAbstractSocket::SocketError error, const QString& description);
    void showError(const QString& text, const QString& title);

    void setStatus(const QString& text);
    void setUploadVisible(bool visible);
    void setLinkTypesEnabled(bool enabled);
    void setCountdown(const QString& text);

    QString m_programFolder;
    const Settings& m_settings;
    QPointer<QWidget> m_messageParent;

    QSslSocket* m_ws = nullptr;
    QTimer* m_mt = nullptr;
    QTimer* m_toTimer = nullptr;
    QTimer* m_waitLimit = nullptr;
    qint16 m_waitTicksLeft = 0;
    ScriptReader m_script;
    UploadSession m_session;
    RequestSender m_sender;
    ReplyHandle m_replyHandle;
    // True from a connect of ours until the connection is closed, by the server or by us; socket events
    // outside it are stale and ignored.
    bool m_connectionOpen = false;
    // The current connection goes to the proxy.
    bool m_viaProxy = false;

    QString m_currentImagePath;
    QString m_profileName;
    QByteArray m_serverHost;
    QString m_imageLink;
    QString m_previewLink;
    QString m_deletionLink;
    SxcuPrompter* m_prompter = nullptr;
    QString m_serverCookies;

    QString m_status;
    QString m_countdown;
    bool m_uploadVisible = true;
    bool m_linkTypesEnabled = true;
};
