#pragma once

#include "engine/Data.h"
#include "engine/ReplyHandle.h"
#include "engine/RequestSender.h"
#include "engine/ScriptReader.h"
#include "engine/UploadSession.h"
#include "engine/Uploader.h"

#include <QAbstractSocket>
#include <QObject>
#include <QPointer>
#include <QSslError>
#include <QString>
#include <QStringList>

class QSslSocket;
class QTimer;
class SxcuPrompter;
struct Settings;

// The upload engine: runs a server profile script one line per step, speaks HTTP/1.0 over its socket
// (directly or through the configured proxy; over TLS for an "https://" server, through the proxy in a
// CONNECT tunnel), follows the reply countdown and finds the links in the
// replies. It owns the socket WS, the step timer MT, the reply countdown TOTimer and the open script, and
// tells the main window what to show only through the signals of Uploader, so it runs without a window.
//
// One upload at a time. Every ending restores the upload button, stops the timers and closes the script;
// message boxes are shown only after the timers are stopped. Every waiting state has a way out: a
// connection attempt and a send that makes no progress are limited to the same 30 seconds as the reply
// countdown, and while a step waits for the socket the stop button is shown.
class UploadEngine final : public Uploader
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

    // Who answers the questions of URL:, THURL: and DELURL: values; none takes the first choice or default.
    void setPrompter(SxcuPrompter* prompter) { m_prompter = prompter; }

    // The upload button: writes [Main] LastServer = serverIndex and LastServerName to options.ini, refuses an empty
    // image path with a message, opens data/<profileName>.serv, swaps the buttons and runs the first step. Does nothing
    // at all while a script is open. True when the upload began.
    bool StartUpload(int serverIndex, const QString& profileName, const QString& imagePath) override;

    // The stop button: ends a running upload with "Закачка прервана".
    void StopUpload() override;

    // One step: reads the script's lines and runs them until one acts (a line that does nothing, and
    // GETCOOKIES with a kept cookie, lead straight on to the next line).
    void Compiler();

    void StartReplyTimeout();
    void StopReplyTimeout();

    bool isScriptOpen() const { return m_script.isOpen(); }
    bool isRunning() const override { return isScriptOpen(); }
    bool isStepTimerActive() const;
    bool isCountdownActive() const;
    // The limit on a connection attempt or a stalled send is running.
    bool isWaitLimitActive() const;

    QString CurrentImagePath() const override { return m_currentImagePath; }
    QString ProfileName() const { return m_profileName; }
    // "host" or "host:port", without the scheme.
    QString ServerHost() const { return QString::fromLocal8Bit(m_serverHost); }
    // The last SERVER line named an "https://" server.
    bool isServerTls() const { return m_serverTls; }
    QString ImageLink() const override { return m_imageLink; }
    QString PreviewLink() const override { return m_previewLink; }
    QString DeletionLink() const override { return m_deletionLink; }
    QString ServerCookies() const { return m_serverCookies; }
    const UploadSession& session() const { return m_session; }

private:
    // The connection is established: for TLS after the handshake.
    void onConnected();
    // The TCP connection is made (to the server, or to the proxy of a tunnel).
    void onTransportConnected();
    void onSslErrors(const QList<QSslError>& errors);
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
    // "https://" for a TLS server, else "http://".
    QByteArray serverScheme() const { return m_serverTls ? "https://" : "http://"; }
    // URL:, THURL: and DELURL: take a link from the last reply with the custom-uploader value syntax.
    void commandReplyValue(const QByteArray& name, const QByteArray& value);
    void commandEnd();

    bool requireNoConnection();
    bool requireConnection();
    void sendRequest(const QByteArray& request);
    void sendRequest(std::unique_ptr<RequestSource> request);
    // Ends the upload when the request's source stopped delivering before its end.
    bool endIfSourceFailed();
    // What the current connection needs for its requests.
    Data::ProxyRoute proxyRoute() const;
    // A step now waits for the socket: the stop button must be at hand.
    void awaitSocket();

    void connectSocket(const QByteArray& hostAndPort, quint16 defaultPort, bool viaProxy);
    // A plain socket for an http connection, a TLS socket only for an https one; both report through the
    // same handlers.
    void useSocket(bool tls);
    QSslSocket* tlsSocket() const;
    void sendTunnelRequest();
    void readTunnelAnswer();
    void endTunnel();
    void startTlsInTunnel();
    void endWithTlsError();
    void closeSocket();
    void startWaitLimit();
    void closeScript();
    // The ending shared by every failure: socket closed, countdown and step timer stopped, buttons
    // restored, script closed, then the status text.
    void endUpload(const QString& status, Outcome outcome = Outcome::Failed);
    void endWithSocketError(QAbstractSocket::SocketError error, const QString& description);
    void showError(const QString& text, const QString& title);

    QString m_programFolder;
    const Settings& m_settings;

    // Made at the first connection; replaced when the next connection needs the other kind.
    QAbstractSocket* m_ws = nullptr;
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
    // The current socket speaks TLS.
    bool m_tls = false;
    // The proxy's tunnel of the current connection: asked for and awaited, then the handshake through it.
    enum class Tunnel { None, Requested, Awaited, Handshake };
    Tunnel m_tunnel = Tunnel::None;
    QByteArray m_tunnelAnswer;
    // The certificate problems reported in the current handshake.
    QStringList m_tlsErrors;

    QString m_currentImagePath;
    QString m_profileName;
    QByteArray m_serverHost;
    bool m_serverTls = false;
    QString m_imageLink;
    QString m_previewLink;
    QString m_deletionLink;
    SxcuPrompter* m_prompter = nullptr;
    QString m_serverCookies;
};
