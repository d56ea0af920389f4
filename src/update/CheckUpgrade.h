#pragma once

#include "settings/OptionsModule.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// The update check: asks the update server for its version file, compares the file's first three
// characters with the program's version, then tells the server the month of the check (a request
// whose outcome does not matter). It runs on the event loop, so a window stays responsive, goes
// through the proxy of the settings, and gives up after a time limit.
class CheckUpgrade final : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Newest, FoundVersion, ConnectionError };

    struct Result {
        Outcome outcome = Outcome::ConnectionError;
        QString version; // the server's version text for FoundVersion
        QString caption; // the text for the check button
    };

    static constexpr int DefaultLimitMs = 15000;
    // The version file holds a few characters; a longer reply is not a version file.
    static constexpr qint64 MaxVersionFileBytes = 64 * 1024;

    // limitMs: how long the whole check may take.
    CheckUpgrade(QString programFolder, Settings settings, int limitMs = DefaultLimitMs, QObject* parent = nullptr);
    ~CheckUpgrade() override;

    // Starts a check that ends with finished(); does nothing while a check runs.
    void Start();
    bool isRunning() const { return m_running; }

    // The update server of a program folder: [Main] UpdateServer of options.ini ("host" or
    // "host:port"), else the program's own server.
    static QString UpdateServer(const QString& programFolder);

    // The outcome for the bytes of a version file compared with the program's version.
    static Result Compare(const QByteArray& versionFile, const QString& programVersion);
    static Result ConnectionError();

signals:
    void finished(const CheckUpgrade::Result& result);

private:
    enum class Phase { Idle, Version, FollowUp };

    QUrl serverUrl(const QString& path, const QString& queryKey, const QString& queryValue) const;
    QString freshRandomDigits();
    void request(const QUrl& url, Phase phase);
    void readBody();
    void replyFinished();
    void finish(const Result& result);

    QString m_programFolder;
    Settings m_settings;
    QNetworkAccessManager* m_network = nullptr;
    QNetworkReply* m_reply = nullptr;
    QTimer m_limit;
    QUrl m_server;
    QByteArray m_body;
    bool m_tooLong = false;
    bool m_running = false;
    Phase m_phase = Phase::Idle;
    Result m_versionResult;
    QString m_lastRandom;
};
