// Every way an upload can end on the network, as one table: each row sets up a fault on loopback, waits
// (within a generous bound, never a timed assertion) for the upload to end, and checks the status, the
// buttons, that no record goes to the journal unless the upload succeeded, and that the next upload on the
// same engine works and counts only its own bytes. The termination row runs the built program instead.

#include "ProgramRig.h"
#include "engine/EngineRig.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

#include <memory>
#include <utility>
#include <vector>

namespace
{

constexpr int Bound = 180000; // generous: the endless reply and the slow reader move tens of MB under ASan

enum class Fault {
    Refused,
    UnknownHost,
    BlackHole,
    Reply, // the server answers with the row's reply and closes
    ResetMidSend,
    CloseWithoutByte,
    Silence,
    PartialThenSilence,
    StopsReading,
    SlowReader,
    Endless,
    Early413,
    StopMidSend,
    TerminateProgramMidUpload,
};

const QString Timeout = QStringLiteral("Сервер не отдал ссылку. Таймаут.");
const QString Completed = QStringLiteral("Загрузка завершена");
const QString UploadFailedText = QStringLiteral(
    "Сервер вернул неизвестные данные. Вероятно, изменились параметры сервиса, либо это больше не фотохостинг."
    "\r\n\r\nВоспользуйтесь другим сервером или ждите выхода новой версии программы");

// A name under the reserved .invalid domain with an empty label: Qt refuses it before any resolver query,
// so the lookup fails on this machine without a packet leaving it.
const QByteArray UnknownHost = "nowhere..invalid";

QByteArray ok(const QByteArray& body)
{
    return ScriptedHttpServer::httpReply("200 OK", body);
}

// A listener on loopback that never accepts, its queue filled: a connection attempt to it is never answered.
struct BlackHole {
    QTcpServer listener;
    std::vector<std::unique_ptr<QTcpSocket>> fillers;

    bool open()
    {
        listener.setListenBacklogSize(0);
        if (!listener.listen(QHostAddress::LocalHost, 0))
            return false;
        listener.pauseAccepting();
        for (int i = 0; i < 16; ++i) {
            fillers.push_back(std::make_unique<QTcpSocket>());
            fillers.back()->connectToHost(QHostAddress::LocalHost, listener.serverPort());
            if (!fillers.back()->waitForConnected(500))
                return true;
        }
        return false;
    }
};

quint16 closedPort()
{
    QTcpServer closed;
    if (!closed.listen(QHostAddress::LocalHost, 0))
        return 0;
    return closed.serverPort();
}

} // namespace

Q_DECLARE_METATYPE(Fault)

class tst_NetworkFaults : public QObject
{
    Q_OBJECT

private slots:
    void endings_data();
    void endings();

private:
    static void nextUploadWorks(EngineRig& rig);
    static void terminateProgramMidUpload();
};

void tst_NetworkFaults::endings_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QByteArray>("reply"); // Fault::Reply only
    QTest::addColumn<int>("countdownMs"); // one second of the engine's countdown
    QTest::addColumn<QString>("status"); // %HOST%, %REPLY% (the reply's size); a trailing * matches a prefix
    QTest::addColumn<int>("finished"); // -1: the upload ended before END; else the success flag
    QTest::addColumn<bool>("completedShown"); // "Загрузка завершена" was shown on the way
    QTest::addColumn<QStringList>("messages");

    const int fast = 10; // the countdown and the wait limits run out in a fraction of a second
    const int normal = UploadEngine::DefaultCountdownIntervalMs;
    const QString socketError = QStringLiteral("Ошибка сокета #%1 *");
    const QStringList none;

    QTest::newRow("refused") << Fault::Refused << QByteArray() << normal
                             << socketError.arg(int(QAbstractSocket::ConnectionRefusedError)) << -1 << false << none;
    QTest::newRow("unknown host") << Fault::UnknownHost << QByteArray() << normal
                                  << socketError.arg(int(QAbstractSocket::HostNotFoundError)) << -1 << false << none;
    QTest::newRow("black hole at connect")
        << Fault::BlackHole << QByteArray() << fast << Timeout << -1 << false << none;
    QTest::newRow("reset mid-send") << Fault::ResetMidSend << QByteArray() << normal
                                    << QStringLiteral("Ошибка сокета #*") << -1 << false << none;
    QTest::newRow("close without a byte")
        << Fault::CloseWithoutByte << QByteArray() << normal
        << QStringLiteral("Сервер закрыл соединение, ничего не ответив") << -1 << false << none;
    QTest::newRow("silence") << Fault::Silence << QByteArray() << fast << Timeout << -1 << false << none;
    QTest::newRow("partial reply then silence")
        << Fault::PartialThenSilence << QByteArray() << fast << Timeout << -1 << false << none;
    QTest::newRow("server stops reading")
        << Fault::StopsReading << QByteArray() << fast << Timeout << -1 << false << none;
    QTest::newRow("slow reader that reads")
        << Fault::SlowReader << QByteArray() << 20 << Completed << 1 << true << none;
    QTest::newRow("endless reply") << Fault::Endless << QByteArray() << normal
                                   << QStringLiteral("Ответ сервера больше 64 МБ. Закачка прервана") << -1 << false
                                   << none;
    QTest::newRow("early 413 during the send")
        << Fault::Early413 << QByteArray() << normal
        << QStringLiteral("Ошибка загрузки: HTTP/1.0 413 Request Entity Too Large") << 0 << true
        << QStringList { UploadFailedText };
    QTest::newRow("stop mid-send") << Fault::StopMidSend << QByteArray() << normal << QStringLiteral("Закачка прервана")
                                   << -1 << false << none;
    QTest::newRow("SIGTERM to the program mid-upload")
        << Fault::TerminateProgramMidUpload << QByteArray() << normal << QString() << -1 << false << none;

    // The proxy's demand for authorization: 407 right after the version, with either text.
    const QByteArray page = EngineRig::LinkPage;
    const QString proxyAuth = QStringLiteral("Необходима авторизация на прокси-сервере");
    QTest::newRow("407 Unauthorized") << Fault::Reply << QByteArray("HTTP/1.0 407 Unauthorized\r\n\r\n") << normal
                                      << proxyAuth << -1 << false << none;
    QTest::newRow("407 Proxy Authentication Required")
        << Fault::Reply << QByteArray("HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n")
        << normal << proxyAuth << -1 << false << none;
    QTest::newRow("407 further on in the reply")
        << Fault::Reply << "HTTP/1.0 200 OK\r\nX-Note: 407 Unauthorized\r\n\r\n" + page << normal << Completed << 1
        << true << none;
    QTest::newRow("407 without a space behind it")
        << Fault::Reply << "HTTP/1.0 4070 Odd\r\n\r\n" + page << normal << Completed << 1 << true << none;
    // "404" from position 10 to 19 of the reply keeps the byte count as the status.
    const QString received = QStringLiteral("Загрузка данных: %REPLY% Bytes");
    QTest::newRow("404 at position 10 keeps the status")
        << Fault::Reply << "HTTP/1.0 404 Not Found\r\n\r\n" + page << normal << received << 1 << false << none;
    QTest::newRow("404 at position 19 keeps the status")
        << Fault::Reply << "HTTP/1.0 200 OK\r\nX404 Not Found\r\n\r\n" + page << normal << received << 1 << false
        << none;
    QTest::newRow("404 at position 20 has no effect")
        << Fault::Reply << "HTTP/1.0 200 OK\r\nXY404 Not Found\r\n\r\n" + page << normal << Completed << 1 << true
        << none;
    QTest::newRow("a reply without the link")
        << Fault::Reply << ok("<html>no link</html>") << normal << QStringLiteral("Ошибка загрузки") << 0 << true
        << QStringList { UploadFailedText };
}

void tst_NetworkFaults::endings()
{
    QFETCH(Fault, fault);
    QFETCH(QByteArray, reply);
    QFETCH(int, countdownMs);
    QFETCH(QString, status);
    QFETCH(int, finished);
    QFETCH(bool, completedShown);
    QFETCH(QStringList, messages);

    if (fault == Fault::TerminateProgramMidUpload) {
        terminateProgramMidUpload();
        return;
    }

    EngineRig rig(countdownMs);
    QVERIFY(rig.serverStarted());
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.writeProfile(EngineRig::PlainScript);
    BlackHole hole;
    qint64 receivedAtCountdown = -1;
    const qint64 bigImage = 24 * 1024 * 1024; // far more than the socket buffers hold
    switch (fault) {
    case Fault::Refused:
        rig.writeProfile("SERVER:127.0.0.1:" + QByteArray::number(closedPort()) + "\r\nSEND:post.txt\r\nEND:\r\n");
        break;
    case Fault::UnknownHost:
        QVERIFY(QUrl::toAce(QString::fromLatin1(UnknownHost)).isEmpty());
        rig.writeProfile("SERVER:" + UnknownHost + ":80\r\nSEND:post.txt\r\nEND:\r\n");
        break;
    case Fault::BlackHole:
        QVERIFY2(hole.open(), "the listener's queue did not fill");
        rig.writeProfile(
            "SERVER:127.0.0.1:" + QByteArray::number(hole.listener.serverPort()) + "\r\nSEND:post.txt\r\nEND:\r\n");
        break;
    case Fault::Reply:
        rig.server.enqueue(ScriptedHttpServer::reply(rig.expand(reply)));
        break;
    case Fault::ResetMidSend:
        rig.prepareUpload(bigImage, ScriptedHttpServer::resetAfterHeaders());
        break;
    case Fault::CloseWithoutByte:
        rig.server.enqueue(ScriptedHttpServer::closeWithoutReply());
        break;
    case Fault::Silence:
        rig.server.enqueue(ScriptedHttpServer::silent());
        break;
    case Fault::PartialThenSilence:
        rig.server.enqueue(ScriptedHttpServer::replyThenSilent("HTTP/1.0 200 OK\r\n\r\n<a href=\"http://"));
        break;
    case Fault::StopsReading:
    case Fault::StopMidSend:
        rig.prepareUpload(bigImage, ScriptedHttpServer::neverRead());
        break;
    case Fault::SlowReader:
        // The countdown (0.6 s here) must not start before (nearly) all of the request is in.
        rig.prepareUpload(6 * 1024 * 1024, ScriptedHttpServer::slowRead(ok(rig.expand(EngineRig::LinkPage)), 10));
        QObject::connect(rig.engine.get(), &UploadEngine::countdownChanged, [&](const QString& text) {
            if (text == QLatin1String("30") && receivedAtCountdown < 0)
                receivedAtCountdown = rig.server.requests().value(0).size();
        });
        break;
    case Fault::Endless:
        rig.server.enqueue(ScriptedHttpServer::endless());
        break;
    case Fault::Early413:
        rig.prepareUpload(16 * 1024 * 1024,
            ScriptedHttpServer::earlyReply(ScriptedHttpServer::httpReply(
                "413 Request Entity Too Large", "<html>The picture is larger than 2 MB.</html>")));
        break;
    case Fault::TerminateProgramMidUpload:
        break;
    }

    QVERIFY(rig.start());
    if (fault == Fault::BlackHole)
        QVERIFY(rig.engine->isWaitLimitActive());
    if (fault == Fault::StopMidSend) {
        QTRY_VERIFY_WITH_TIMEOUT(rig.engine->session().BytesSent > 0, Bound);
        QVERIFY(rig.engine->session().BytesSent < rig.engine->session().RequestLength);
        const QString total = QString::number(rig.engine->session().RequestLength / 1024);
        QVERIFY2(rig.engine->statusText().startsWith(QStringLiteral("Загрузка изображения на сервер: ")),
            qPrintable(rig.engine->statusText()));
        QVERIFY(rig.engine->statusText().endsWith(QStringLiteral(" Кб из ") + total + QStringLiteral(" Кб передано")));
        rig.engine->StopUpload();
        QVERIFY(rig.isIdle());
        const qsizetype statusCount = rig.statuses.size();
        QTest::qWait(200);
        QCOMPARE(rig.statuses.size(), statusCount); // no late progress report
    }
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), Bound);

    // The ending: status, buttons, timers, messages, and whether the window would journal it.
    QVERIFY(rig.isIdle());
    status.replace(QStringLiteral("%REPLY%"), QString::number(rig.expand(reply).size()));
    status = rig.expandText(status);
    if (status.endsWith(QLatin1Char('*'))) {
        status.chop(1);
        QVERIFY2(rig.engine->statusText().startsWith(status), qPrintable(rig.engine->statusText()));
        QVERIFY(rig.engine->statusText().size() > status.size()); // the socket's own description follows
    } else {
        QCOMPARE(rig.engine->statusText(), status);
    }
    // The stop button from the start; the upload button back at the ending (and at LINK on the way to END).
    QCOMPARE(rig.buttons, finished < 0 ? QList<bool>({ false, true }) : QList<bool>({ false, true, true }));
    QCOMPARE(rig.statuses.contains(Completed), completedShown);
    QCOMPARE(rig.finished, finished < 0 ? QList<bool> {} : QList<bool> { finished == 1 });
    QCOMPARE(rig.engine->isLinkTypesEnabled(), finished >= 0);
    for (QString& message : messages)
        message = rig.expandText(message);
    QCOMPARE(rig.messageTexts(), messages);
    for (const EngineRig::Message& message : std::as_const(rig.messages))
        QVERIFY(message.timersStopped);
    QVERIFY(!QFile::exists(rig.folder.filePath(QStringLiteral("journal.txt"))));

    // What the endings left behind that a row's own fault promises.
    switch (fault) {
    case Fault::CloseWithoutByte:
        QCOMPARE(rig.countdown.value(0), QStringLiteral("30"));
        break;
    case Fault::Silence:
    case Fault::PartialThenSilence:
    case Fault::Endless:
        QCOMPARE(rig.engine->session().ReplyBuffer, QByteArray());
        QTRY_COMPARE_WITH_TIMEOUT(rig.server.closedCount(), 1, Bound);
        break;
    case Fault::BlackHole:
        QVERIFY(!rig.statuses.contains(QStringLiteral("connected")));
        break;
    case Fault::StopsReading:
        // The send stalled: the limit on it ended the upload before the reply countdown began.
        QVERIFY(rig.engine->session().BytesSent < rig.engine->session().RequestLength);
        QVERIFY(rig.countdown.isEmpty() || rig.countdown == QStringList { QString() });
        break;
    case Fault::SlowReader: {
        const qint64 requestLength = rig.engine->session().RequestLength;
        QCOMPARE(rig.server.requests().value(0).size(), requestLength);
        // What may still be on its way: the engine's few hundred KiB and the server's receive buffer.
        QVERIFY2(receivedAtCountdown >= requestLength - 1024 * 1024,
            qPrintable(QStringLiteral("%1 of %2").arg(receivedAtCountdown).arg(requestLength)));
        break;
    }
    default:
        break;
    }

    nextUploadWorks(rig);
}

// The next upload on the same engine: a cookie page first, then the small upload, counting only its own
// bytes and sending exactly the request of a fresh engine.
void tst_NetworkFaults::nextUploadWorks(EngineRig& rig)
{
    rig.folder.writeFile(QStringLiteral("images/photo.png"), EngineRig::Image);
    rig.writeProfile(
        "SERVER:%HOST%\r\nGETCOOKIES:/c\r\nCONNECT:\r\nSEND:post.txt\r\nLINK:href=\"http://*\"\r\nEND:\r\n");
    rig.server.enqueue(ScriptedHttpServer::reply(ok("<html></html>")));
    rig.server.enqueue(ScriptedHttpServer::reply(ok(rig.expand(EngineRig::LinkPage))));
    const int connections = rig.server.connectionCount();
    rig.statuses.clear();
    rig.countdown.clear();
    rig.buttons.clear();
    rig.finished.clear();
    rig.messages.clear();

    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), Bound);
    QVERIFY2(rig.finished == QList<bool> { true }, qPrintable(rig.statuses.join(QLatin1Char('|'))));
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.buttons.first(), false);
    QCOMPARE(rig.buttons.last(), true);
    QCOMPARE(rig.countdown.count(QStringLiteral("30")), 2); // the cookie page and the upload
    for (const QString& status : std::as_const(rig.statuses)) {
        if (status.startsWith(QStringLiteral("Загрузка изображения на сервер: ")))
            QCOMPARE(status, QStringLiteral("Загрузка изображения на сервер: 0 Кб из 0 Кб передано"));
    }
    QCOMPARE(rig.server.connectionCount(), connections + 2);
    QCOMPARE(rig.server.requests().last(), rig.expand(EngineRig::PostRequest));
    QVERIFY(rig.messages.isEmpty());
}

// The built program asked to terminate while it waits for the reply: a normal close with exit code 0, no
// journal record, the scratch folder emptied; the next start uploads as usual.
void tst_NetworkFaults::terminateProgramMidUpload()
{
    ProgramRig rig;
    QVERIFY(rig.isReady());
    rig.server.enqueue(ScriptedHttpServer::silent());
    QProcess* program = rig.start(rig.uploadArguments());
    QVERIFY2(ProgramRig::waitUntil(
                 [&] { return rig.server.connectionCount() == 1 || program->state() == QProcess::NotRunning; },
                 ProgramRig::StartTimeoutMs),
        qPrintable(ProgramRig::report(program)));
    QVERIFY2(
        ProgramRig::waitUntil([&] { return !rig.server.requests().value(0).isEmpty(); }, ProgramRig::StartTimeoutMs),
        qPrintable(ProgramRig::report(program)));
    rig.program.writeFile(QStringLiteral("tmp/capture.png"), "scratch");
    program->terminate();
    QVERIFY2(ProgramRig::waitForExit(program), qPrintable(ProgramRig::report(program)));
    QVERIFY2(ProgramRig::exitedNormally(program), qPrintable(ProgramRig::report(program)));
    QVERIFY(!QFile::exists(rig.filePath(QStringLiteral("journal.txt"))));
    QVERIFY(!QFile::exists(rig.filePath(QStringLiteral("tmp/capture.png"))));
    QTRY_COMPARE_WITH_TIMEOUT(rig.server.closedCount(), 1, Bound);

    rig.server.enqueue(ScriptedHttpServer::reply(rig.replyWithLinks()));
    QProcess* next = rig.start(rig.uploadArguments());
    QVERIFY2(ProgramRig::waitForExit(next), qPrintable(ProgramRig::report(next)));
    QVERIFY2(ProgramRig::exitedNormally(next), qPrintable(ProgramRig::report(next)));
    QCOMPARE(rig.journal().count("\r\n"), 1);
}

QTEST_MAIN(tst_NetworkFaults)
#include "tst_NetworkFaults.moc"
