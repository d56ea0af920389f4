// The upload from a terminal, end to end: the built executable in a temporary program folder, started
// with no display at all against a scripted HTTP server on 127.0.0.1, judged by its standard output, its
// exit status and the journal it leaves.

#include "links/LinkTables.h"
#include "links/LinkTypes.h"
#include "support/HttpFixtureServer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{

const QString ServiceName = QStringLiteral("pictoferry.test");
const QByteArray ShippedHost = "127.0.0.1:8089";
constexpr int ExitTimeoutMs = 120000;

enum Exit { Success = 0, BadCommandLine = 2, UploadFailed = 3, TimedOut = 4 };

QByteArray replyWithLinks(const QByteArray& host)
{
    return ScriptedHttpServer::httpReply("200 OK",
        "<html><body><p><a id=\"image\" href=\"http://" + host
            + "/i/1.jpg\">image</a></p>\n<p><a id=\"preview\" "
              "href=\"http://"
            + host + "/i/1s.jpg\">preview</a></p></body></html>\n");
}

// One program folder with the shipped profile pointed at the scripted server, and a picture outside it.
struct Rig {
    TempProgramFolder program;
    QTemporaryDir home;
    QString picturePath;
    ScriptedHttpServer server;
    QByteArray out;
    QByteArray err;

    bool prepare()
    {
        if (!home.isValid() || !server.start())
            return false;
        const QString built = QStringLiteral(PICTOFERRY_PROGRAM_DIR "/pictoferry");
        const QString copy = program.filePath(QStringLiteral("pictoferry"));
        if (!QFile::copy(built, copy))
            return false;
        QFile::setPermissions(copy, QFile::permissions(built) | QFileDevice::ExeOwner);
        program.copyShippedData();
        program.copyShippedJournalTemplates();
        for (const QString& name : { QStringLiteral("data/pictoferry.test.serv"),
                 QStringLiteral("data/pictoferry.test.post.txt"), QStringLiteral("data/pictoferry.test.info") }) {
            QByteArray text = program.readFile(name);
            program.writeFile(name, text.replace(ShippedHost, server.hostAndPort()));
        }
        picturePath = home.filePath(QStringLiteral("снимок с дачи.jpg"));
        QFile file(picturePath);
        return file.open(QIODevice::WriteOnly) && file.write("\xFF\xD8\xFF\xE0 not much of a picture") > 0;
    }

    QString imageLink() const
    {
        return QStringLiteral("http://%1/i/1.jpg").arg(QString::fromLatin1(server.hostAndPort()));
    }
    QString previewLink() const
    {
        return QStringLiteral("http://%1/i/1s.jpg").arg(QString::fromLatin1(server.hostAndPort()));
    }

    // Runs the program to its end without blocking this event loop (the server lives in it) and keeps its
    // exit status (-1: it crashed or did not end) and output.
    int exitCode = -1;
    // window: the program's window on the offscreen platform instead of no display at all.
    void run(const QStringList& arguments, bool window = false)
    {
        exitCode = -1;
        QProcess process;
        process.setProgram(program.filePath(QStringLiteral("pictoferry")));
        process.setArguments(arguments);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "http_proxy", "HTTP_PROXY",
                 "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY" })
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("share")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        if (window) {
            // The single-instance lock lives in a runtime folder private to the user.
            const QString runtime = home.filePath(QStringLiteral("runtime"));
            QDir().mkpath(runtime);
            QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        }
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home.path());
        process.start();
        QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, ExitTimeoutMs);
        out = process.readAllStandardOutput();
        err = process.readAllStandardError();
        if (process.exitStatus() == QProcess::NormalExit)
            exitCode = process.exitCode();
    }

    int runChecked(const QStringList& arguments)
    {
        run(arguments);
        return exitCode;
    }

    QString report() const
    {
        return QStringLiteral("stdout:\n%1\nstderr:\n%2").arg(QString::fromUtf8(out), QString::fromUtf8(err));
    }
};

} // namespace

Q_DECLARE_METATYPE(ScriptedHttpServer::Behaviour)

class TestTerminalEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void uploadPrintsTheLink_data();
    void uploadPrintsTheLink();
    void failedUploads_data();
    void failedUploads();
    void serviceLimits_data();
    void serviceLimits();
    void badCommandLines_data();
    void badCommandLines();
    void helpAndVersion();
    void sxcuService_data();
    void sxcuService();
    void brokenSxcuService();
    void importFromTerminal_data();
    void importFromTerminal();
};

void TestTerminalEndToEnd::uploadPrintsTheLink_data()
{
    QTest::addColumn<int>("linkType");
    QTest::newRow("the direct link by default") << 0;
    QTest::newRow("the second link type") << 2;
}

void TestTerminalEndToEnd::uploadPrintsTheLink()
{
    QFETCH(int, linkType);
    Rig rig;
    QVERIFY(rig.prepare());
    rig.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(rig.server.hostAndPort())));
    QStringList arguments { QStringLiteral("--cli"), rig.picturePath, QStringLiteral("-u=") + ServiceName };
    if (linkType > 0)
        arguments << QStringLiteral("-c=%1").arg(linkType);

    QCOMPARE(rig.runChecked(arguments), int(Success));

    QString expected = rig.imageLink();
    if (linkType > 0) {
        LinkTables tables;
        LinkTypes::AddLinkTypes(rig.program.path(), tables);
        expected = LinkTypes::ApplyPattern(
            tables.LinkPatterns(tables.slotForPosition(linkType - 1)), rig.imageLink(), rig.previewLink());
        QVERIFY(expected != rig.imageLink());
    }
    QCOMPARE(QString::fromUtf8(rig.out), expected + QLatin1Char('\n'));
    QVERIFY2(QString::fromUtf8(rig.err).contains(QStringLiteral("Загрузка завершена")), qPrintable(rig.report()));
    const QString journal = QString::fromUtf8(rig.program.readFile(QStringLiteral("journal.txt")));
    QVERIFY(journal.startsWith(rig.picturePath + QLatin1Char('\t') + rig.imageLink() + QLatin1Char('\t')
        + rig.previewLink() + QLatin1Char('\t')));
    QCOMPARE(rig.server.requests().size(), 1);
    QVERIFY(rig.server.requests().first().contains("not much of a picture"));
}

void TestTerminalEndToEnd::failedUploads_data()
{
    QTest::addColumn<ScriptedHttpServer::Behaviour>("behaviour");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("a reply without the link")
        << ScriptedHttpServer::reply(ScriptedHttpServer::httpReply("200 OK", "<html>busy</html>")) << int(UploadFailed)
        << QStringLiteral("Ошибка загрузки");
    QTest::newRow("closed without a reply") << ScriptedHttpServer::closeWithoutReply() << int(UploadFailed)
                                            << QStringLiteral("Сервер закрыл соединение, ничего не ответив");
    QTest::newRow("no reply at all") << ScriptedHttpServer::silent() << int(TimedOut)
                                     << QStringLiteral("Сервер не отдал ссылку. Таймаут.");
}

void TestTerminalEndToEnd::failedUploads()
{
    QFETCH(ScriptedHttpServer::Behaviour, behaviour);
    QFETCH(int, status);
    QFETCH(QString, said);
    Rig rig;
    QVERIFY(rig.prepare());
    rig.server.enqueue(behaviour);

    QCOMPARE(rig.runChecked({ QStringLiteral("--cli"), rig.picturePath, QStringLiteral("-u=") + ServiceName }), status);
    QVERIFY2(rig.out.isEmpty(), qPrintable(rig.report()));
    QVERIFY2(QString::fromUtf8(rig.err).contains(said), qPrintable(rig.report()));
    QVERIFY(!QFileInfo::exists(rig.program.filePath(QStringLiteral("journal.txt"))));
}

void TestTerminalEndToEnd::serviceLimits_data()
{
    QTest::addColumn<QSize>("picture"); // empty: a file that no picture reader knows
    QTest::addColumn<QByteArray>("limits"); // %BYTES%: the file's size in bytes, %LESS%: one byte less
    QTest::addColumn<bool>("window");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // the end of standard error when the upload is refused

    const QByteArray square = "MaxWidth=16\r\nMaxHeight=16\r\n";
    QTest::newRow("wider than the service takes")
        << QSize(17, 10) << square << false << int(UploadFailed) << QStringLiteral("Ширина изображения превышает 16\n");
    QTest::newRow("every limit broken, each on its line")
        << QSize(20, 20) << square + "MaxSize=%LESS%\r\n"
        << false << int(UploadFailed)
        << QStringLiteral("Ширина изображения превышает 16\nВысота изображения превышает 16\n"
                          "Размер файла изображения превышает %LESS%\n");
    QTest::newRow("exactly at every limit") << QSize(16, 16) << square + "MaxSize=%BYTES%\r\n"
                                            << false << int(Success) << QString();
    QTest::newRow("no limits in the description")
        << QSize(5000, 20) << QByteArray("HostTime=всегда\r\n") << false << int(Success) << QString();
    QTest::newRow("not a picture: its size still counts")
        << QSize() << QByteArray("MaxWidth=1\r\nMaxSize=%LESS%\r\n") << false << int(UploadFailed)
        << QStringLiteral("Размер файла изображения превышает %LESS%\n");
    QTest::newRow("not a picture: no pixels to count")
        << QSize() << QByteArray("MaxWidth=1\r\nMaxHeight=1\r\n") << false << int(Success) << QString();
    // The window's unattended upload starts as the command line says, whatever the indicator shows.
    QTest::newRow("window with -e uploads as told") << QSize(20, 20) << square << true << int(Success) << QString();
}

// The terminal upload checks the picture against the service's description as the window does: a picture
// the service would refuse is not sent, and standard error gets the window's verdict.
void TestTerminalEndToEnd::serviceLimits()
{
    QFETCH(QSize, picture);
    QFETCH(QByteArray, limits);
    QFETCH(bool, window);
    QFETCH(int, status);
    QFETCH(QString, said);
    Rig rig;
    QVERIFY(rig.prepare());
    if (!picture.isEmpty()) {
        QImage image(picture, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(rig.picturePath, "JPG"));
    }
    const qint64 bytes = QFileInfo(rig.picturePath).size();
    const auto expand = [bytes](auto text) {
        return text.replace("%BYTES%", QByteArray::number(bytes)).replace("%LESS%", QByteArray::number(bytes - 1));
    };
    rig.program.writeFile(QStringLiteral("data/pictoferry.test.info"), "[Main]\r\n" + expand(limits));
    rig.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(rig.server.hostAndPort())));

    if (window)
        rig.run({ rig.picturePath, QStringLiteral("-u=") + ServiceName, QStringLiteral("-e") }, true);
    else
        rig.run({ QStringLiteral("--cli"), rig.picturePath, QStringLiteral("-u=") + ServiceName });
    QVERIFY2(rig.exitCode == status, qPrintable(rig.report()));
    if (status == int(Success)) {
        QCOMPARE(rig.server.requests().size(), 1);
        QVERIFY(QFileInfo::exists(rig.program.filePath(QStringLiteral("journal.txt"))));
        return;
    }
    // Qt's picture reader may say something of its own about a file it does not know before.
    QVERIFY2(QString::fromUtf8(rig.err).endsWith(expand(said)), qPrintable(rig.report()));
    QVERIFY(rig.out.isEmpty());
    QCOMPARE(rig.server.connectionCount(), 0);
    QVERIFY(!QFileInfo::exists(rig.program.filePath(QStringLiteral("journal.txt"))));
}

void TestTerminalEndToEnd::badCommandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    const QString picture = QStringLiteral("%PICTURE%");
    QTest::newRow("no picture") << QStringList { QStringLiteral("-u=") + ServiceName }
                                << QStringLiteral("Не указано изображение");
    QTest::newRow("missing picture") << QStringList { QStringLiteral("gone.jpg"), QStringLiteral("-u=") + ServiceName }
                                     << QStringLiteral("Файл не найден");
    QTest::newRow("no service") << QStringList { picture } << QStringLiteral("Не указан сервер");
    QTest::newRow("unknown service") << QStringList { picture, QStringLiteral("-u=nowhere.example") }
                                     << QStringLiteral("Нет такого сервера");
    QTest::newRow("link type out of range") << QStringList { picture, QStringLiteral("-u=") + ServiceName,
        QStringLiteral("-c=99") } << QStringLiteral("Неверный тип ссылки");
    QTest::newRow("a window option") << QStringList { picture, QStringLiteral("-u=") + ServiceName,
        QStringLiteral("-e") } << QStringLiteral("Непонятный параметр \"-e\"");
}

void TestTerminalEndToEnd::badCommandLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    Rig rig;
    QVERIFY(rig.prepare());
    arguments.replaceInStrings(QStringLiteral("%PICTURE%"), rig.picturePath);

    QCOMPARE(rig.runChecked(QStringList { QStringLiteral("--cli") } + arguments), int(BadCommandLine));
    QVERIFY2(QString::fromUtf8(rig.err).contains(said), qPrintable(rig.report()));
    QVERIFY(rig.out.isEmpty());
    QCOMPARE(rig.server.connectionCount(), 0);
}

void TestTerminalEndToEnd::helpAndVersion()
{
    Rig rig;
    QVERIFY(rig.prepare());
    QCOMPARE(rig.runChecked({ QStringLiteral("--version") }), int(Success));
    QVERIFY2(rig.out.startsWith("Pictoferry "), qPrintable(rig.report()));
    QCOMPARE(rig.runChecked({ QStringLiteral("--help") }), int(Success));
    QVERIFY(QString::fromUtf8(rig.out).contains(QStringLiteral("--cli ИЗОБРАЖЕНИЕ -u=СЕРВЕР")));
    QCOMPARE(rig.runChecked({ QStringLiteral("--version"), QStringLiteral("extra") }), int(BadCommandLine));
}

void TestTerminalEndToEnd::sxcuService_data()
{
    QTest::addColumn<bool>("window");
    QTest::newRow("terminal") << false;
    QTest::newRow("window with -e") << true;
}

// A custom-uploader service named with -u= uploads through Qt Network, and its deletion link reaches the
// journal record as its sixth field.
void TestTerminalEndToEnd::sxcuService()
{
    QFETCH(bool, window);
    Rig rig;
    QVERIFY(rig.prepare());
    HttpFixtureServer host;
    QVERIFY(host.start());
    const QByteArray base = host.url("");
    host.setHandler([&](const HttpFixtureServer::Request&) {
        return HttpFixtureServer::reply(
            "200 OK", R"({"data":{"link":")" + base + R"(/i/a.jpg","del":")" + base + R"(/d/a"}})");
    });
    rig.program.writeFile(QStringLiteral("data/fixture.sxcu"),
        R"({"RequestMethod":"POST","RequestURL":")" + base
            + R"(/up","Body":"MultipartFormData","FileFormName":"file","Arguments":{"kind":"{select:a|b}"},)"
              R"("URL":"{json:data.link}","DeletionURL":"{json:data.del}"})");
    const QString image = QString::fromLatin1(base) + QStringLiteral("/i/a.jpg");
    const QString deletion = QString::fromLatin1(base) + QStringLiteral("/d/a");

    if (window) {
        // The window shows the picture before its upload: it must be a real one.
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(rig.picturePath, "JPG"));
        rig.run({ rig.picturePath, QStringLiteral("-u=fixture"), QStringLiteral("-e") }, true);
    } else
        rig.run({ QStringLiteral("--cli"), rig.picturePath, QStringLiteral("-u=fixture") });
    QVERIFY2(rig.exitCode == int(Success), qPrintable(rig.report()));
    if (!window)
        QCOMPARE(QString::fromUtf8(rig.out), image + QLatin1Char('\n'));

    QCOMPARE(host.requests().size(), 1);
    const QList<HttpFixtureServer::Part> parts = HttpFixtureServer::parts(host.requests().first());
    QCOMPARE(parts.size(), 2);
    QCOMPARE(parts.at(0).body, QByteArray("a")); // nobody to ask: the first choice
    QCOMPARE(parts.at(1).fileName, QStringLiteral("снимок с дачи.jpg").toUtf8());
    const QStringList fields
        = QString::fromUtf8(rig.program.readFile(QStringLiteral("journal.txt"))).trimmed().split(QLatin1Char('\t'));
    QCOMPARE(fields.size(), 6);
    QCOMPARE(fields.at(0), rig.picturePath);
    QCOMPARE(fields.at(1), image);
    QCOMPARE(fields.at(5), deletion);
}

// A custom-uploader file that cannot be used says why; the upload fails without a connection.
void TestTerminalEndToEnd::brokenSxcuService()
{
    Rig rig;
    QVERIFY(rig.prepare());
    rig.program.writeFile(QStringLiteral("data/broken.sxcu"), R"({"RequestURL": "http://127.0.0.1:9/up")");
    rig.run({ QStringLiteral("--cli"), rig.picturePath, QStringLiteral("-u=broken") });
    QCOMPARE(rig.exitCode, int(UploadFailed));
    QVERIFY2(QString::fromUtf8(rig.err).contains(QStringLiteral("broken.sxcu")), qPrintable(rig.report()));
    QVERIFY(rig.out.isEmpty());
    QVERIFY(!QFileInfo::exists(rig.program.filePath(QStringLiteral("journal.txt"))));
}

void TestTerminalEndToEnd::importFromTerminal_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("complete file") << QByteArray(R"({"RequestURL":"https://host.example/up","FileFormName":"f"})")
                                   << int(Success) << QStringLiteral("Сервер добавлен: my host");
    QTest::newRow("a key to fill, stdin no terminal") << QByteArray(
        R"({"RequestURL":"https://host.example/up","FileFormName":"f","Headers":{"Key":"<API KEY HERE>"}})")
                                                      << int(UploadFailed) << QStringLiteral("не терминал");
    QTest::newRow("not JSON") << QByteArray("{") << int(UploadFailed) << QStringLiteral("my host.sxcu");
}

// pictoferry --import FILE.sxcu takes the file into data/ when nothing needs asking; the questions need a
// terminal.
void TestTerminalEndToEnd::importFromTerminal()
{
    QFETCH(QByteArray, json);
    QFETCH(int, status);
    QFETCH(QString, said);
    Rig rig;
    QVERIFY(rig.prepare());
    const QString source = rig.home.filePath(QStringLiteral("my host.sxcu"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(json) == json.size());
    file.close();

    rig.run({ QStringLiteral("--import"), QStringLiteral("my host.sxcu") });
    QCOMPARE(rig.exitCode, status);
    QVERIFY2(QString::fromUtf8(rig.err).contains(said), qPrintable(rig.report()));
    const QString target = rig.program.filePath(QStringLiteral("data/my host.sxcu"));
    QCOMPARE(QFileInfo::exists(target), status == int(Success));
    if (status == int(Success))
        QCOMPARE(rig.program.readFile(QStringLiteral("data/my host.sxcu")), json);
}

QTEST_GUILESS_MAIN(TestTerminalEndToEnd)
#include "tst_terminal_e2e.moc"
