#pragma once

#include "engine/UploadEngine.h"
#include "settings/OptionsModule.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempProgramFolder.h"

#include <QList>
#include <QStringList>

#include <memory>

// An upload engine in a temporary program folder with a scripted server on 127.0.0.1, recording all the
// engine tells the window. Profile texts may say %HOST% for the server's "127.0.0.1:<port>".
class EngineRig final
{
public:
    struct Record {
        QString text;
        QString title;
    };
    struct Message {
        Record record;
        bool timersStopped; // the step timer and the countdown were off when the box was shown
    };

    static inline const QString Profile = QStringLiteral("test.example");

    explicit EngineRig(int countdownIntervalMs = UploadEngine::DefaultCountdownIntervalMs)
    {
        m_serverStarted = server.start();
        engine = std::make_unique<UploadEngine>(folder.path(), settings, countdownIntervalMs);
        QObject::connect(engine.get(), &UploadEngine::statusChanged, [this](const QString& s) { statuses << s; });
        QObject::connect(engine.get(), &UploadEngine::uploadButtonsChanged, [this](bool v) { buttons << v; });
        QObject::connect(engine.get(), &UploadEngine::linkTypesEnabledChanged, [this](bool e) { linkTypes << e; });
        QObject::connect(engine.get(), &UploadEngine::countdownChanged, [this](const QString& t) { countdown << t; });
        QObject::connect(engine.get(), &UploadEngine::finished, [this](bool success) { finished << success; });
        QObject::connect(
            engine.get(), &UploadEngine::ended, [this](Uploader::Outcome outcome) { outcomes << outcome; });
        QObject::connect(engine.get(), &UploadEngine::message, [this](const QString& text, const QString& title) {
            messages.append({ { text, title },
                !engine->isStepTimerActive() && !engine->isCountdownActive() && !engine->isWaitLimitActive() });
        });
        folder.writeFile(QStringLiteral("images/photo.png"), Image);
    }

    ~EngineRig() { engine.reset(); }

    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    bool serverStarted() const { return m_serverStarted; }
    QByteArray host() const { return server.hostAndPort(); }
    QByteArray expand(QByteArray text) const { return text.replace("%HOST%", host()); }
    QString expandText(QString text) const
    {
        return text.replace(QLatin1String("%HOST%"), QString::fromLatin1(host()))
            .replace(QLatin1String("%DATA%"), folder.filePath(QStringLiteral("data")));
    }

    void writeProfile(const QByteArray& script) const
    {
        folder.writeFile(QStringLiteral("data/") + Profile + QStringLiteral(".serv"), expand(script));
    }
    void writeData(const QString& name, const QByteArray& content) const
    {
        folder.writeFile(QStringLiteral("data/") + name, expand(content));
    }
    QString imagePath() const { return folder.filePath(QStringLiteral("images/photo.png")); }

    static QByteArray ok(const QByteArray& body) { return ScriptedHttpServer::httpReply("200 OK", body); }

    // The proxy on 127.0.0.1 with the user of the tinyproxy tests.
    void useProxy(quint16 port, bool auth, const QString& password)
    {
        settings.UseProxy = true;
        settings.ProxyHost = QStringLiteral("127.0.0.1");
        settings.ProxyPort = QString::number(port);
        settings.ProxyAuth = auth;
        settings.ProxyUser = QStringLiteral("pictoferry");
        settings.ProxyPassword = password;
    }

    bool start() { return engine->StartUpload(0, Profile, imagePath()); }

    // The plain profile and template, a picture of imageBytes bytes and the server's behaviour for it.
    void prepareUpload(qint64 imageBytes, const ScriptedHttpServer::Behaviour& behaviour)
    {
        writeProfile(PlainScript);
        writeData(QStringLiteral("post.txt"), PostTemplate);
        folder.writeFile(QStringLiteral("images/photo.png"), QByteArray(imageBytes, 'p'));
        server.enqueue(behaviour);
    }

    // No script open, upload button back, every timer off, countdown label empty.
    bool isIdle() const
    {
        return !engine->isScriptOpen() && engine->isUploadButtonVisible() && !engine->isStepTimerActive()
            && !engine->isCountdownActive() && !engine->isWaitLimitActive() && engine->countdownText().isEmpty();
    }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const Message& message : messages)
            texts << message.record.text;
        return texts;
    }

    static inline const QByteArray Image = QByteArrayLiteral("PNG-IMAGE-BYTES");

    // The upload template of most tests, and the request it gives for Image with no cookie.
    static inline const QByteArray PostTemplate
        = QByteArrayLiteral("POST /up HTTP/1.0\r\nHost: %HOST%\r\nCookie: {COOKIES}\r\nContent-Type: {FILETYPE}\r\n"
                            "Content-Length: {LEN}\r\nConnection: Close\r\n\r\n{IMGDATA}");
    static inline const QByteArray PostRequest
        = QByteArrayLiteral("POST /up HTTP/1.0\r\nHost: %HOST%\r\nCookie: \r\nContent-Type: image/png\r\n"
                            "Content-Length: 15\r\nConnection: Close\r\n\r\nPNG-IMAGE-BYTES");

    // A page with the image link and the preview link, and the script lines that find them.
    static inline const QByteArray LinkPage
        = QByteArrayLiteral("<a href=\"http://%HOST%/i/1.png\"><img src=\"http://%HOST%/t/1.png\"></a>");
    static inline const QByteArray PlainScript
        = QByteArrayLiteral("SERVER:%HOST%\r\nSEND:post.txt\r\nLINK:href=\"http://*\"\r\nTHLINK:src=\"http://*\"\r\n"
                            "END:\r\n");

    TempProgramFolder folder;
    Settings settings;
    ScriptedHttpServer server;
    std::unique_ptr<UploadEngine> engine;

    QStringList statuses;
    QList<bool> buttons;
    QList<bool> linkTypes;
    QStringList countdown;
    QList<bool> finished;
    QList<Uploader::Outcome> outcomes;
    QList<Message> messages;

private:
    bool m_serverStarted = false;
};
