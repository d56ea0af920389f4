#include "EngineRig.h"

#include "engine/Data.h"
#include "settings/Ini.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace
{

constexpr int Wait = 30000; // generous: the machines running the tests may be busy

const QString UploadFailedText = QStringLiteral(
    "Сервер вернул неизвестные данные. Вероятно, изменились параметры сервиса, либо это больше не фотохостинг."
    "\r\n\r\nВоспользуйтесь другим сервером или ждите выхода новой версии программы");
const QString LinkNotFoundText
    = QStringLiteral("Ошибка загрузки изображения на сервер %HOST%\r\nНе удалось обнаружить ссылку на изображение в "
                     "ответе сервера. Возможно, изменились параметры сервиса.");

QByteArray ok(const QByteArray& body, const QByteArray& headers = {})
{
    return ScriptedHttpServer::httpReply("200 OK", body, headers);
}

} // namespace

class tst_UploadEngine : public QObject
{
    Q_OBJECT

private slots:
    void plainUpload();
    void sessionCookieFetchedOnceThenReused();
    void twoStageUpload();
    void scriptLines_data();
    void scriptLines();
    void profileFaults_data();
    void profileFaults();
    void replyInPieces();
    void countdownRunsOutAfterThirtyTicks();
    void pictureRemovedDuringTheSend();
    void longScriptOfKeptCookies();
    void uploadStartWithoutImage();
    void uploadStartWithMissingProfile();
    void stallAfterLinkKeepsTheStopButton();
    void shippedSampleProfile();
};

void tst_UploadEngine::plainUpload()
{
    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.writeProfile(EngineRig::PlainScript);
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.server.enqueue(ScriptedHttpServer::reply(ok(rig.expand(EngineRig::LinkPage))));

    QVERIFY(rig.start());
    QVERIFY(rig.engine->isScriptOpen());
    QVERIFY(!rig.engine->isUploadButtonVisible());
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);

    QVERIFY(rig.isIdle());
    QCOMPARE(rig.outcomes, QList<Uploader::Outcome> { Uploader::Outcome::Success });
    QCOMPARE(rig.server.requests(), QList<QByteArray> { rig.expand(EngineRig::PostRequest) });
    QCOMPARE(rig.engine->ImageLink(), rig.expandText(QStringLiteral("http://%HOST%/i/1.png")));
    QCOMPARE(rig.engine->PreviewLink(), rig.expandText(QStringLiteral("http://%HOST%/t/1.png")));
    QCOMPARE(rig.engine->ServerHost(), QString::fromLatin1(rig.host()));
    QCOMPARE(rig.engine->CurrentImagePath(), rig.imagePath());
    QVERIFY(rig.messages.isEmpty());

    const QString replySize = QString::number(ok(rig.expand(EngineRig::LinkPage)).size());
    QCOMPARE(rig.statuses,
        QStringList({ rig.expandText(QStringLiteral("Соединение с %HOST%...")), QStringLiteral("connected"),
            QStringLiteral("Загрузка изображения на сервер..."),
            QStringLiteral("Загрузка изображения на сервер: 0 Кб из 0 Кб передано"),
            QStringLiteral("Изображение отправлено, ждем ссылку от сервера..."),
            QStringLiteral("Загрузка данных: ") + replySize + QStringLiteral(" Bytes"),
            QStringLiteral("Загрузка завершена") }));
    // Stop shown at the start, upload shown again by LINK and by END.
    QCOMPARE(rig.buttons, QList<bool>({ false, true, true }));
    QCOMPARE(rig.linkTypes, QList<bool>({ false, true }));
    QCOMPARE(rig.countdown.first(), QStringLiteral("30"));
    QCOMPARE(rig.countdown.last(), QString());
    QCOMPARE(Ini::FileName(), rig.folder.filePath(QStringLiteral("options.ini")));
}

void tst_UploadEngine::sessionCookieFetchedOnceThenReused()
{
    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.writeProfile("SERVER:%HOST%\r\nGETCOOKIES:/cookie?x=1\r\nCONNECT:\r\nSEND:post.txt\r\n"
                     "LINK:href=\"http://*\"\r\nTHLINK:src=\"http://*\"\r\nEND:\r\n");
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.server.enqueue(ScriptedHttpServer::reply(ok("<html></html>",
        rig.expand(
            QByteArray("Set-Cookie: uid=42; expires=Thu, 01-Jan-2037 00:00:00 GMT; path=/; domain=%HOST%\r\n")))));
    rig.server.enqueue(ScriptedHttpServer::reply(ok(rig.expand(EngineRig::LinkPage))));

    // First upload: the cookie page is fetched on the SERVER connection, then the upload carries the cookie.
    QVERIFY(rig.start());
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QCOMPARE(rig.server.connectionCount(), 2);
    QCOMPARE(rig.server.requests().at(0),
        rig.expand(QByteArray("GET /cookie?x=1 HTTP/1.0\r\n"
                              "Accept: */*\r\n"
                              "Referer: http://%HOST%\r\n"
                              "Accept-Language: ru\r\n"
                              "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; "
                              "Windows NT 5.0)\r\n"
                              "Host: %HOST%\r\n"
                              "Connection: Close\r\n\r\n")));
    QVERIFY(rig.statuses.contains(QStringLiteral("Получение cookies...")));
    QCOMPARE(
        rig.server.requests().at(1), rig.expand(EngineRig::PostRequest).replace("Cookie: \r\n", "Cookie: uid=42\r\n"));
    QCOMPARE(rig.engine->ServerCookies(), QStringLiteral("uid=42"));
    QCOMPARE(rig.folder.readFile(QStringLiteral("cookies.ini")), rig.expand(QByteArray("[Main]\r\n%HOST%=uid=42\r\n")));

    // Second upload: the kept cookie is found, the SERVER connection is dropped unused, nothing is fetched.
    QVERIFY(rig.start());
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool>({ true, true }), Wait);
    QTRY_COMPARE_WITH_TIMEOUT(rig.server.connectionCount(), 4, Wait);
    QCOMPARE(rig.server.requests().at(2), QByteArray());
    QCOMPARE(rig.server.requests().at(3), rig.server.requests().at(1));

    // A later profile without GETCOOKIES still sends the cookie of the last one.
    rig.writeProfile(EngineRig::PlainScript);
    QVERIFY(rig.start());
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool>({ true, true, true }), Wait);
    QCOMPARE(rig.server.requests().at(4), rig.server.requests().at(1));
    QVERIFY(rig.isIdle());
}

void tst_UploadEngine::twoStageUpload()
{
    EngineRig rig;
    QVERIFY(rig.serverStarted());
    ScriptedHttpServer second;
    QVERIFY(second.start());
    rig.writeProfile("SERVER:%HOST%\r\nSEND:post.txt\r\nSEARCHLINK:goto=\"http://*\"\r\nCONNECT:\r\n"
                     "GOTOLINK:/result?id=7\r\nLINK:href=\"http://*\"\r\nTHLINK:src=\"http://*\"\r\nEND:\r\n");
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.server.enqueue(ScriptedHttpServer::reply(ok("<a goto=\"http://" + second.hostAndPort() + "/result?id=7\">")));
    QByteArray page = EngineRig::LinkPage;
    second.enqueue(ScriptedHttpServer::reply(ok(page.replace("%HOST%", second.hostAndPort()))));

    QVERIFY(rig.start());
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.server.requests(), QList<QByteArray> { rig.expand(EngineRig::PostRequest) });
    QCOMPARE(second.requests(), QList<QByteArray> { Data::BuildGetRequest(second.hostAndPort(), "/result?id=7") });
    QCOMPARE(rig.engine->ServerHost(), QString::fromLatin1(second.hostAndPort()));
    QCOMPARE(rig.engine->ImageLink(), QStringLiteral("http://") + second.hostAndPort() + QStringLiteral("/i/1.png"));
    QCOMPARE(rig.engine->PreviewLink(), QStringLiteral("http://") + second.hostAndPort() + QStringLiteral("/t/1.png"));
    QVERIFY(rig.statuses.contains(QStringLiteral("Соединение с ") + second.hostAndPort() + QStringLiteral("...")));
    QVERIFY(rig.statuses.contains(QStringLiteral("отправлен запрос")));
}

void tst_UploadEngine::scriptLines_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("imageLink");
    QTest::addColumn<QString>("previewLink");

    const QByteArray head = "SERVER:%HOST%\r\nSEND:post.txt\r\n";
    const QByteArray page = EngineRig::LinkPage;
    const QString image = QStringLiteral("http://%HOST%/i/1.png");
    const QString preview = QStringLiteral("http://%HOST%/t/1.png");

    QTest::newRow("comments and blank lines in the reply phase")
        << head + "; the links\r\n\r\nLINK:href=\"http://*\"\r\n;END:\r\nTHLINK:src=\"http://*\"\r\nEND:\r\n"
        << page << true << image << preview;
    QTest::newRow("lines ended by a lone CR")
        << QByteArray(EngineRig::PlainScript).replace("\r\n", "\r") << page << true << image << preview;
    QTest::newRow("END without colon is skipped") << head + "END\r\nLINK:href=\"http://*\"\r\nEND:\r\n"
                                                  << page << true << image << QString();
    QTest::newRow("lower-case end: is not END") << head + "end:\r\nLINK:href=\"http://*\"\r\nEND:\r\n"
                                                << page << true << image << QString();
    QTest::newRow("unknown command and SEARCH are skipped")
        << head + "FOO:bar\r\nSEARCH:x\r\nWAITING:\r\nLINK:href=\"http://*\"\r\nEND:\r\n"
        << page << true << image << QString();
    QTest::newRow("a lone LF keeps a line together")
        << head + "LINK:href=\"http://*\"\r\nSEARCH:\nEND:\r\nTHLINK:src=\"http://*\"\r\nEND:\r\n"
        << page << true << image << preview;
    QTest::newRow("(+) in LINK stands for a line break")
        << head + "LINK:link:(+)*(+)\r\nEND:\r\n"
        << QByteArray("link:\n%HOST%/i/2.png\nmore") << true << QStringLiteral("http://%HOST%/i/2.png") << QString();
    QTest::newRow("found text without the host gets it in front")
        << head + "LINK:href=\"*\"\r\nTHLINK:name=*;\r\nEND:\r\n"
        << QByteArray("<a href=\"/i/3.png\">name=t3.png;") << true << QStringLiteral("http://%HOST%//i/3.png")
        << QStringLiteral("http://%HOST%/t3.png");
    QTest::newRow("THLINK that finds nothing does not fail")
        << head + "LINK:href=\"http://*\"\r\nTHLINK:<thumb>*</thumb>\r\nEND:\r\n"
        << page << true << image << QStringLiteral("http://%HOST%/error");
    QTest::newRow("no LINK at all is a success with no link") << head + "END:\r\n"
                                                              << page << true << QString() << QString();
    QTest::newRow("LINK that finds nothing fails")
        << head + "LINK:<link>*</link>\r\nEND:\r\n"
        << page << false << QStringLiteral("http://%HOST%/error") << QString();
    QTest::newRow("byte-order mark before SERVER")
        << "\xef\xbb\xbf" + EngineRig::PlainScript << page << true << image << preview;
    QTest::newRow("comment and blank line before SERVER")
        << "; my service\r\n\r\n" + EngineRig::PlainScript << page << true << image << preview;
    QTest::newRow("garbage and NUL bytes before SERVER")
        << QByteArrayLiteral("\x01\xfe\0\0junk\r\n\0\0\r\nFOO:\r\n") + EngineRig::PlainScript << page << true << image
        << preview;
    QTest::newRow("LINK pattern without a star fails")
        << head + "LINK:href=\"http://\r\nEND:\r\n"
        << page << false << QStringLiteral("http://%HOST%/error") << QString();
}

void tst_UploadEngine::scriptLines()
{
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, body);
    QFETCH(bool, success);
    QFETCH(QString, imageLink);
    QFETCH(QString, previewLink);

    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.writeProfile(script);
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.server.enqueue(ScriptedHttpServer::reply(ok(rig.expand(body))));

    QVERIFY(rig.start());
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { success }, Wait);
    QVERIFY(rig.isIdle());
    QCOMPARE(
        rig.outcomes, QList<Uploader::Outcome> { success ? Uploader::Outcome::Success : Uploader::Outcome::Failed });
    QVERIFY(rig.engine->isLinkTypesEnabled());
    QCOMPARE(rig.engine->ImageLink(), rig.expandText(imageLink));
    QCOMPARE(rig.engine->PreviewLink(), rig.expandText(previewLink));
    if (success) {
        QVERIFY(rig.messages.isEmpty());
        QCOMPARE(rig.engine->statusText(), QStringLiteral("Загрузка завершена"));
    } else {
        QCOMPARE(rig.engine->statusText(), QStringLiteral("Ошибка загрузки"));
        QCOMPARE(rig.messages.size(), 1);
        QCOMPARE(rig.messages.first().record.text, UploadFailedText);
        QCOMPARE(rig.messages.first().record.title, QStringLiteral("Ошибка загрузки"));
        QVERIFY(rig.messages.first().timersStopped);
    }
}

void tst_UploadEngine::profileFaults_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("message"); // empty: no message box

    const QByteArray head = "SERVER:%HOST%\r\nSEND:post.txt\r\n";
    const QByteArray page = ok(EngineRig::LinkPage);
    const QString profileFault = QStringLiteral("Ошибка в профиле сервера test.example: ");

    QTest::newRow("script without END")
        << head + "LINK:href=\"http://*\"\r\n"
        << page << QStringLiteral("Ошибка в профиле сервера test.example")
        << QStringLiteral("Профиль сервера test.example закончился раньше команды END:.\r\nЗакачка не завершена.");
    QTest::newRow("script without any instruction")
        << QByteArrayLiteral("\xef\xbb\xbf; nothing here\r\n\r\nbinary\0garbage") << page
        << QStringLiteral("Ошибка в профиле сервера test.example")
        << QStringLiteral("Профиль сервера test.example закончился раньше команды END:.\r\nЗакачка не завершена.");
    QTest::newRow("SERVER while connected")
        << QByteArray("SERVER:%HOST%\r\nSERVER:%HOST%\r\nEND:\r\n") << page
        << profileFault + QStringLiteral("соединение уже открыто, ответ сервера не получен") << QString();
    QTest::newRow("CONNECT while connected")
        << QByteArray("SERVER:%HOST%\r\nCONNECT:\r\nEND:\r\n") << page
        << profileFault + QStringLiteral("соединение уже открыто, ответ сервера не получен") << QString();
    QTest::newRow("SEND with no connection")
        << head + "SEND:post.txt\r\nEND:\r\n"
        << page << profileFault + QStringLiteral("запрос без соединения с сервером") << QString();
    QTest::newRow("GOTOLINK with no connection")
        << head + "GOTOLINK:/next\r\nEND:\r\n"
        << page << profileFault + QStringLiteral("запрос без соединения с сервером") << QString();
    QTest::newRow("GETCOOKIES with no connection and no kept cookie")
        << head + "GETCOOKIES:/\r\nEND:\r\n"
        << page << profileFault + QStringLiteral("запрос без соединения с сервером") << QString();
    QTest::newRow("template missing") << QByteArray("SERVER:%HOST%\r\nSEND:missing.txt\r\nEND:\r\n") << page
                                      << QStringLiteral("Ошибка чтения файла")
                                      << QStringLiteral("Не удалось прочитать файл %DATA%/missing.txt");
    QTest::newRow("SEARCHLINK finds nothing")
        << head + "SEARCHLINK:goto=\"http://*\"\r\nCONNECT:\r\nEND:\r\n"
        << page << QStringLiteral("Ошибка загрузки изображения") << LinkNotFoundText;
    QTest::newRow("SEARCHLINK result without a slash")
        << head + "SEARCHLINK:goto=\"http://*\"\r\nCONNECT:\r\nEND:\r\n"
        << ok("<a goto=\"http://nohost\">") << QStringLiteral("Ошибка загрузки изображения") << LinkNotFoundText;
}

void tst_UploadEngine::profileFaults()
{
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    QFETCH(QString, message);

    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.writeProfile(script);
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.server.enqueue(ScriptedHttpServer::reply(rig.expand(reply)));

    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), Wait);
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.engine->statusText(), status);
    QVERIFY(rig.finished.isEmpty());
    QCOMPARE(rig.outcomes, QList<Uploader::Outcome> { Uploader::Outcome::Failed });
    QCOMPARE(rig.engine->isLinkTypesEnabled(), !script.contains("SERVER:")); // disabled from SERVER on
    if (message.isEmpty()) {
        QVERIFY(rig.messages.isEmpty());
    } else {
        QCOMPARE(rig.messageTexts(), QStringList { rig.expandText(message) });
        QCOMPARE(rig.messages.first().record.title, QStringLiteral("Ошибка"));
        QVERIFY(rig.messages.first().timersStopped);
    }
}

void tst_UploadEngine::replyInPieces()
{
    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.writeProfile(EngineRig::PlainScript);
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    const QByteArray reply = ok(rig.expand(EngineRig::LinkPage));
    // The image link is cut across the pieces.
    const QList<QByteArray> pieces { reply.left(20), reply.mid(20, 40), reply.mid(60) };
    rig.server.enqueue(ScriptedHttpServer::replyInPieces(pieces, 150));

    QVERIFY(rig.start());
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QCOMPARE(rig.engine->ImageLink(), rig.expandText(QStringLiteral("http://%HOST%/i/1.png")));
    QStringList received;
    for (const QString& status : std::as_const(rig.statuses)) {
        if (status.startsWith(QStringLiteral("Загрузка данных: ")))
            received << status;
    }
    QCOMPARE(received,
        QStringList({ QStringLiteral("Загрузка данных: 20 Bytes"), QStringLiteral("Загрузка данных: 60 Bytes"),
            QStringLiteral("Загрузка данных: %1 Bytes").arg(reply.size()) }));
}

void tst_UploadEngine::countdownRunsOutAfterThirtyTicks()
{
    EngineRig rig(10);
    QVERIFY(rig.serverStarted());
    rig.writeProfile(EngineRig::PlainScript);
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.server.enqueue(ScriptedHttpServer::silent());

    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), Wait);
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.engine->statusText(), QStringLiteral("Сервер не отдал ссылку. Таймаут."));
    QStringList expected;
    for (int left = 30; left >= 0; --left)
        expected << QString::number(left);
    expected << QString();
    QCOMPARE(rig.countdown, expected);
    QCOMPARE(rig.engine->session().ReplyBuffer, QByteArray());
    QVERIFY(rig.finished.isEmpty());
    QCOMPARE(rig.outcomes, QList<Uploader::Outcome> { Uploader::Outcome::TimedOut });
    QVERIFY(rig.messages.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(rig.server.closedCount(), 1, Wait);
}

void tst_UploadEngine::pictureRemovedDuringTheSend()
{
    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.writeProfile(EngineRig::PlainScript);
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.folder.writeFile(QStringLiteral("images/photo.png"), QByteArray(6 * 1024 * 1024, 'p'));
    rig.server.enqueue(ScriptedHttpServer::slowRead(ok(rig.expand(EngineRig::LinkPage)), 20));

    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(rig.engine->session().BytesSent > 0, Wait);
    QVERIFY(QFile::remove(rig.imagePath()));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), Wait);
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.engine->statusText(),
        QStringLiteral("Файл ") + QDir::toNativeSeparators(rig.imagePath())
            + QStringLiteral(" пропал во время закачки. Закачка прервана"));
    QVERIFY(rig.finished.isEmpty());
    QVERIFY(rig.engine->session().BytesSent < rig.engine->session().RequestLength);
    QVERIFY(rig.server.requests().value(0).size() < rig.engine->session().RequestLength);
}

// Lines that lead straight on run from a loop, so no length of script can exhaust the stack.
void tst_UploadEngine::longScriptOfKeptCookies()
{
    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.folder.writeFile(QStringLiteral("cookies.ini"), rig.expand("[Main]\r\n%HOST%=uid=42\r\n"));
    QByteArray script = "SERVER:%HOST%\r\n";
    for (int i = 0; i < 10000; ++i)
        script += "GETCOOKIES:/c\r\n; nine comment lines\r\n\r\n;\r\n;\r\n;\r\n;\r\n;\r\n;\r\n;\r\n";
    rig.writeProfile(script + "CONNECT:\r\nSEND:post.txt\r\nLINK:href=\"http://*\"\r\nEND:\r\n");
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.server.enqueue(ScriptedHttpServer::reply(ok(rig.expand(EngineRig::LinkPage))));

    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), 120000);
    QCOMPARE(rig.finished, QList<bool> { true });
    QCOMPARE(
        rig.server.requests().last(), rig.expand(EngineRig::PostRequest).replace("Cookie: \r\n", "Cookie: uid=42\r\n"));
}

void tst_UploadEngine::uploadStartWithoutImage()
{
    EngineRig rig;
    rig.writeProfile(EngineRig::PlainScript);
    QVERIFY(!rig.engine->StartUpload(3, EngineRig::Profile, QString()));
    QVERIFY(rig.isIdle());
    QVERIFY(rig.statuses.isEmpty());
    QVERIFY(rig.buttons.isEmpty());
    QCOMPARE(rig.server.connectionCount(), 0);
    QVERIFY(rig.outcomes.isEmpty()); // no upload began
    QCOMPARE(rig.messages.size(), 1);
    QCOMPARE(rig.messages.first().record.text, QStringLiteral("Чего закачивать-то будем?"));
    QCOMPARE(rig.messages.first().record.title, QStringLiteral("Не выбрано изображение!"));
    // The choice of service is kept even so.
    QCOMPARE(rig.folder.readFile(QStringLiteral("options.ini")),
        "[Main]\r\nLastServer=3\r\nLastServerName=" + EngineRig::Profile.toUtf8() + "\r\n");
}

void tst_UploadEngine::uploadStartWithMissingProfile()
{
    EngineRig rig;
    QVERIFY(!rig.engine->StartUpload(0, QStringLiteral("gone.example"), rig.imagePath()));
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.buttons, QList<bool> {});
    QCOMPARE(rig.engine->statusText(), QStringLiteral("Ошибка чтения профиля сервера"));
    QCOMPARE(rig.messageTexts(),
        QStringList { QStringLiteral("Не удалось открыть профиль сервера ")
            + rig.folder.filePath(QStringLiteral("data/gone.example.serv")) });
    QCOMPARE(rig.folder.readFile(QStringLiteral("options.ini")),
        QByteArray("[Main]\r\nLastServer=0\r\nLastServerName=gone.example\r\n"));
}

void tst_UploadEngine::stallAfterLinkKeepsTheStopButton()
{
    EngineRig rig;
    QVERIFY(rig.serverStarted());
    // LINK brings the upload button back; the WAIT behind it waits for a socket event that never comes.
    rig.writeProfile("SERVER:%HOST%\r\nSEND:post.txt\r\nLINK:href=\"http://*\"\r\nWAIT:\r\nEND:\r\n");
    rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
    rig.server.enqueue(ScriptedHttpServer::reply(ok(rig.expand(EngineRig::LinkPage))));

    QVERIFY(rig.engine->StartUpload(1, EngineRig::Profile, rig.imagePath()));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isStepTimerActive() && rig.buttons.size() == 3, Wait);
    QCOMPARE(rig.buttons, QList<bool>({ false, true, false })); // the stop button is back for the wait
    QVERIFY(rig.engine->isScriptOpen());
    const QStringList statuses = rig.statuses;

    // A click on the upload button while the script is open does nothing.
    QVERIFY(!rig.engine->StartUpload(2, EngineRig::Profile, rig.imagePath()));
    QVERIFY(!rig.engine->StartUpload(2, EngineRig::Profile, QString()));
    QVERIFY(rig.engine->isScriptOpen());
    QCOMPARE(rig.statuses, statuses);
    QVERIFY(rig.messages.isEmpty());
    QCOMPARE(rig.server.connectionCount(), 1);
    QCOMPARE(rig.folder.readFile(QStringLiteral("options.ini")),
        "[Main]\r\nLastServer=1\r\nLastServerName=" + EngineRig::Profile.toUtf8() + "\r\n");

    rig.engine->StopUpload();
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.engine->statusText(), QStringLiteral("Закачка прервана"));
}

void tst_UploadEngine::shippedSampleProfile()
{
    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.folder.copyShippedData();
    for (const QString& name :
        { QStringLiteral("data/pictoferry.test.serv"), QStringLiteral("data/pictoferry.test.post.txt") }) {
        QByteArray text = rig.folder.readFile(name);
        QVERIFY2(text.contains("127.0.0.1:8089"), qPrintable(name));
        rig.folder.writeFile(name, text.replace("127.0.0.1:8089", rig.host()));
    }
    rig.server.enqueue(ScriptedHttpServer::reply(
        ok(rig.expand(QByteArray("<p><a id=\"image\" href=\"http://%HOST%/i/1.png\">image</a></p>\n"
                                 "<p><a id=\"preview\" href=\"http://%HOST%/i/1.png\">preview</a></p>\n")))));

    QVERIFY(rig.engine->StartUpload(0, QStringLiteral("pictoferry.test"), rig.imagePath()));
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), Wait);
    QVERIFY2(rig.finished == QList<bool> { true }, qPrintable(rig.statuses.join(QLatin1Char('|'))));
    QCOMPARE(rig.engine->ImageLink(), rig.expandText(QStringLiteral("http://%HOST%/i/1.png")));
    QCOMPARE(rig.engine->PreviewLink(), rig.expandText(QStringLiteral("http://%HOST%/i/1.png")));

    const QByteArray request = rig.server.requests().value(0);
    QVERIFY(request.startsWith("POST /upload HTTP/1.0\r\n"));
    const QByteArray body = request.mid(request.indexOf("\r\n\r\n") + 4);
    QCOMPARE(Data::ExtractBetween("Content-Length: *\r\n", request), QByteArray::number(body.size()));
    QVERIFY(body.contains("Content-Type: image/png\r\n\r\n" + EngineRig::Image + "\r\n"));
    QVERIFY(body.contains("filename=\"" + rig.imagePath().toLocal8Bit() + "\""));
}

QTEST_GUILESS_MAIN(tst_UploadEngine)
#include "tst_UploadEngine.moc"
