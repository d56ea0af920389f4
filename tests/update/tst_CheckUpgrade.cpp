#include "UpdateRig.h"

#include "support/TinyProxy.h"
#include "update/CheckUpgrade.h"
#include "update/UpdateSite.h"

#include <QDate>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

namespace
{

constexpr int Wait = 60000;
const QString Newest = QStringLiteral("Ваша версия самая новая");
const QString ConnectionError = QStringLiteral("Ошибка подключения к серверу");

// Runs checks one after another and keeps what each one ended with.
struct Checker {
    CheckUpgrade check;
    QSignalSpy spy { &check, &CheckUpgrade::finished };

    Checker(const UpdateRig& rig, int limitMs = CheckUpgrade::DefaultLimitMs)
        : check(rig.folder.path(), rig.settings, limitMs)
    {
    }

    // Starts a check and waits for its end; an empty caption when it never ends.
    CheckUpgrade::Result run()
    {
        const qsizetype before = spy.size();
        check.Start();
        if (!QTest::qWaitFor([&] { return spy.size() > before; }, Wait))
            return { CheckUpgrade::Outcome::ConnectionError, QString(), QString() };
        return spy.last().first().value<CheckUpgrade::Result>();
    }
};

} // namespace

class tst_CheckUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void updateServer_data();
    void updateServer();
    void versionFile_data();
    void versionFile();
    void connectionError_data();
    void connectionError();
    void followUpNeverAnswers();
    void everyCheckAsksItsOwnAddress();
    void throughTinyproxy_data();
    void throughTinyproxy();
};

void tst_CheckUpgrade::initTestCase()
{
    QCOMPARE(UpdateSite::ProgramVersion(), QStringLiteral("1.1"));
}

void tst_CheckUpgrade::updateServer_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QString>("server");

    QTest::newRow("no options.ini") << QByteArray() << QStringLiteral("pictoferry.org");
    QTest::newRow("no UpdateServer key") << QByteArray("[Main]\r\nLastServer=2\r\n")
                                         << QStringLiteral("pictoferry.org");
    QTest::newRow("a mirror with a port")
        << QByteArray("[main]\r\nupdateserver = mirror.example:8080\r\n") << QStringLiteral("mirror.example:8080");
}

void tst_CheckUpgrade::updateServer()
{
    QFETCH(QByteArray, options);
    QFETCH(QString, server);

    TempProgramFolder folder;
    if (!options.isEmpty())
        folder.writeFile(QStringLiteral("options.ini"), options);
    QCOMPARE(CheckUpgrade::UpdateServer(folder.path()), server);
}

void tst_CheckUpgrade::versionFile_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("followUpReply");
    QTest::addColumn<CheckUpgrade::Outcome>("outcome");
    QTest::addColumn<QString>("caption");

    using O = CheckUpgrade::Outcome;
    const QByteArray followUpFails = UpdateRig::notFound();
    const QByteArray followUpAnswers = UpdateRig::ok("counted");
    QTest::newRow("same version") << UpdateRig::ok("1.1") << followUpAnswers << O::Newest << Newest;
    QTest::newRow("same version, follow-up 404") << UpdateRig::ok("1.1\r\n") << followUpFails << O::Newest << Newest;
    QTest::newRow("only three characters count")
        << UpdateRig::ok("1.1.7 beta") << followUpAnswers << O::Newest << Newest;
    QTest::newRow("newer") << UpdateRig::ok("1.2\r\n") << followUpFails << O::FoundVersion
                           << QStringLiteral("Найдена версия 1.2");
    QTest::newRow("older is a found version too")
        << UpdateRig::ok("1.0") << followUpAnswers << O::FoundVersion << QStringLiteral("Найдена версия 1.0");
    QTest::newRow("shorter than three characters")
        << UpdateRig::ok("1.") << followUpFails << O::FoundVersion << QStringLiteral("Найдена версия 1.");
    QTest::newRow("follow-up closes without a byte")
        << UpdateRig::ok("2.0") << QByteArray() << O::FoundVersion << QStringLiteral("Найдена версия 2.0");
}

// The version request, the comparison, and the follow-up request whose outcome changes nothing.
void tst_CheckUpgrade::versionFile()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, followUpReply);
    QFETCH(CheckUpgrade::Outcome, outcome);
    QFETCH(QString, caption);

    UpdateRig rig;
    QVERIFY(rig.start());
    rig.server.enqueue(ScriptedHttpServer::reply(reply));
    rig.server.enqueue(
        followUpReply.isEmpty() ? ScriptedHttpServer::closeWithoutReply() : ScriptedHttpServer::reply(followUpReply));
    Checker checker(rig);
    const CheckUpgrade::Result result = checker.run();

    QCOMPARE(result.caption, caption);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.version,
        outcome == CheckUpgrade::Outcome::FoundVersion ? caption.right(caption.size() - 15) : QString());
    QVERIFY(!checker.check.isRunning());
    // Qt asks once more when a connection closes without a byte; the follow-up is still the second request.
    QVERIFY(rig.server.connectionCount() >= 2);
    QVERIFY2(QRegularExpression(QStringLiteral("^GET /picferry/version\\.info\\?rnd=\\d+ HTTP/1\\.[01]$"))
                 .match(QString::fromLatin1(rig.requestLine(0)))
                 .hasMatch(),
        rig.requestLine(0).constData());
    QCOMPARE(rig.requestLine(1),
        "GET /picferry/check.php?date=" + QDate::currentDate().toString(QStringLiteral("MM.yyyy")).toLatin1()
            + " HTTP/1.1");
    QVERIFY(rig.server.requests().at(0).contains("\r\nHost: " + rig.server.hostAndPort() + "\r\n"));
    QVERIFY(!rig.versionFileRemains());
}

void tst_CheckUpgrade::connectionError_data()
{
    QTest::addColumn<QList<ScriptedHttpServer::Behaviour>>("behaviours");
    QTest::addColumn<QString>("serverOverride");
    QTest::addColumn<int>("limitMs");

    using S = ScriptedHttpServer;
    const int limit = CheckUpgrade::DefaultLimitMs;
    QTest::newRow("404") << QList { S::reply(UpdateRig::notFound()) } << QString() << limit;
    QTest::newRow("500") << QList { S::reply(S::httpReply("500 Internal Server Error", "1.2")) } << QString() << limit;
    QTest::newRow("empty version file") << QList { S::reply(UpdateRig::ok("")) } << QString() << limit;
    QTest::newRow("closed without a byte") << QList { S::closeWithoutReply() } << QString() << limit;
    QTest::newRow("silent server, short limit") << QList { S::silent() } << QString() << 300;
    QTest::newRow("reply announces more than 64 KiB")
        << QList { S::reply(UpdateRig::ok(QByteArray(64 * 1024 + 1, '1'))) } << QString() << limit;
    const QByteArray block(40 * 1024, '2');
    QTest::newRow("reply without a length grows past 64 KiB")
        << QList { S::replyInPieces({ "HTTP/1.0 200 OK\r\n\r\n1.2\r\n", block, block, block }, 10) } << QString()
        << limit;
    QTest::newRow("refused") << QList<S::Behaviour>() << QStringLiteral("refused") << limit;
    QTest::newRow("not a host") << QList<S::Behaviour>() << QStringLiteral("%SERVER%/mirror") << limit;
}

// Every failure of the version request gives the connection error text, sends no follow-up, and
// leaves no version.info.
void tst_CheckUpgrade::connectionError()
{
    QFETCH(QList<ScriptedHttpServer::Behaviour>, behaviours);
    QFETCH(QString, serverOverride);
    QFETCH(int, limitMs);

    UpdateRig rig;
    QVERIFY(rig.start());
    for (const ScriptedHttpServer::Behaviour& behaviour : behaviours)
        rig.server.enqueue(behaviour);
    rig.server.enqueue(ScriptedHttpServer::reply(UpdateRig::notFound()));
    if (serverOverride == QLatin1String("refused")) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        rig.useUpdateServer(QStringLiteral("127.0.0.1:%1").arg(port));
    } else if (!serverOverride.isEmpty()) {
        rig.useUpdateServer(QString(serverOverride).replace(QStringLiteral("%SERVER%"), rig.server.hostAndPort()));
    }

    Checker checker(rig, limitMs);
    const CheckUpgrade::Result result = checker.run();
    QCOMPARE(result.caption, ConnectionError);
    QCOMPARE(result.outcome, CheckUpgrade::Outcome::ConnectionError);
    for (const QByteArray& request : rig.server.requests())
        QVERIFY2(request.startsWith("GET /picferry/version.info?rnd="), request.constData());
    QVERIFY(!rig.versionFileRemains());
}

// The time limit covers the whole check; a follow-up that never answers is dropped when it runs out and
// the version found stands.
void tst_CheckUpgrade::followUpNeverAnswers()
{
    UpdateRig rig;
    QVERIFY(rig.start());
    rig.server.enqueue(ScriptedHttpServer::reply(UpdateRig::ok("1.3")));
    rig.server.enqueue(ScriptedHttpServer::silent());
    Checker checker(rig, 5000);
    QCOMPARE(checker.run().caption, QStringLiteral("Найдена версия 1.3"));
    QCOMPARE(rig.server.connectionCount(), 2);
    QVERIFY(!rig.versionFileRemains());
}

void tst_CheckUpgrade::everyCheckAsksItsOwnAddress()
{
    UpdateRig rig;
    QVERIFY(rig.start());
    rig.serve(UpdateRig::ok("1.1"));
    rig.serve(UpdateRig::ok("1.2"));
    Checker checker(rig);
    checker.check.Start();
    QVERIFY(checker.check.isRunning());
    checker.check.Start(); // a check that runs is not started again
    QVERIFY(QTest::qWaitFor([&] { return !checker.spy.isEmpty(); }, Wait));
    QCOMPARE(checker.run().caption, QStringLiteral("Найдена версия 1.2"));

    QCOMPARE(checker.spy.size(), 2);
    QCOMPARE(rig.server.connectionCount(), 4);
    QVERIFY(rig.requestLine(0).startsWith("GET /picferry/version.info?rnd="));
    QVERIFY(rig.requestLine(2).startsWith("GET /picferry/version.info?rnd="));
    QVERIFY(rig.requestLine(0) != rig.requestLine(2));
}

void tst_CheckUpgrade::throughTinyproxy_data()
{
    QTest::addColumn<bool>("auth");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("caption");

    QTest::newRow("right credentials") << true << QStringLiteral("secret") << QStringLiteral("Найдена версия 1.4");
    QTest::newRow("no credentials") << false << QStringLiteral("secret") << ConnectionError;
    QTest::newRow("wrong password") << true << QStringLiteral("wrong") << ConnectionError;
}

// The check goes through the proxy of the settings, with Basic authorization when it is switched on.
void tst_CheckUpgrade::throughTinyproxy()
{
    QFETCH(bool, auth);
    QFETCH(QString, password);
    QFETCH(QString, caption);

    if (TinyProxy::program().isEmpty())
        QSKIP("tinyproxy is not installed (Debian package tinyproxy); the check through a proxy is not tested");
    TinyProxy proxy;
    QVERIFY2(proxy.start(QStringLiteral("pictoferry"), QStringLiteral("secret")), qPrintable(proxy.errorText()));

    UpdateRig rig;
    QVERIFY(rig.start());
    rig.serve(UpdateRig::ok("1.4"));
    rig.settings.UseProxy = true;
    rig.settings.ProxyHost = QStringLiteral("127.0.0.1");
    rig.settings.ProxyPort = QString::number(proxy.port());
    rig.settings.ProxyAuth = auth;
    rig.settings.ProxyUser = QStringLiteral("pictoferry");
    rig.settings.ProxyPassword = password;

    Checker checker(rig);
    QCOMPARE(checker.run().caption, caption);
    QVERIFY(!rig.versionFileRemains());
    if (caption == ConnectionError) {
        QCOMPARE(rig.server.connectionCount(), 0);
        return;
    }
    QCOMPARE(rig.server.connectionCount(), 2);
    QVERIFY(rig.requestLine(0).startsWith("GET /picferry/version.info?rnd="));
    QVERIFY(rig.requestLine(1).startsWith("GET /picferry/check.php?date="));
    QVERIFY(!rig.server.requests().at(0).contains("Proxy-Authorization"));
    QVERIFY(proxy.log().contains("Request (file descriptor"));
}

QTEST_GUILESS_MAIN(tst_CheckUpgrade)
#include "tst_CheckUpgrade.moc"
