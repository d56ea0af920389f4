// The upload from a terminal, end to end: the built executable in a temporary program folder, started
// with no display at all against a scripted HTTP server on 127.0.0.1, judged by its standard output, its
// exit status and the journal it leaves.

#include "links/LinkTables.h"
#include "links/LinkTypes.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
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
    void run(const QStringList& arguments)
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
    void badCommandLines_data();
    void badCommandLines();
    void helpAndVersion();
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

QTEST_GUILESS_MAIN(TestTerminalEndToEnd)
#include "tst_terminal_e2e.moc"
