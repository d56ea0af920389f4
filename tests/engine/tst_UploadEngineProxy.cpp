#include "EngineRig.h"

#include "engine/Data.h"
#include "support/TinyProxy.h"

#include <QTest>

namespace
{

constexpr int Wait = 30000;

const QByteArray ProxyTemplate
    = "POST /up HTTP/1.0\r\nHost: %HOST%\r\nContent-Length: {LEN}\r\nConnection: Close\r\n\r\n{IMGDATA}";

} // namespace

class tst_UploadEngineProxy : public QObject
{
    Q_OBJECT

private slots:
    void requestToTheProxy_data();
    void requestToTheProxy();
    void connectGoesThroughTheProxyToo();
    void unusableProxyEndsTheUpload_data();
    void unusableProxyEndsTheUpload();
    void throughTinyproxy_data();
    void throughTinyproxy();
    void sequencesThroughTinyproxy_data();
    void sequencesThroughTinyproxy();
};

void tst_UploadEngineProxy::requestToTheProxy_data()
{
    QTest::addColumn<bool>("auth");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("without authorization")
        << false
        << QByteArray("POST http://img.example/up HTTP/1.0\r\nHost: img.example\r\nContent-Length: 15\r\n"
                      "Proxy-Connection: Close\r\n\r\nPNG-IMAGE-BYTES");
    QTest::newRow("with Basic authorization")
        << true
        << QByteArray("POST http://img.example/up HTTP/1.0\r\nHost: img.example\r\nContent-Length: 15\r\n"
                      "Proxy-Connection: Close\r\nProxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\nPNG-IMAGE-BYTES");
}

// The scripted server stands in for the proxy, so the exact bytes the proxy gets can be checked.
void tst_UploadEngineProxy::requestToTheProxy()
{
    QFETCH(bool, auth);
    QFETCH(QByteArray, expected);

    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.settings.UseProxy = true;
    rig.settings.ProxyHost = QStringLiteral("127.0.0.1");
    rig.settings.ProxyPort = QString::number(rig.server.port());
    rig.settings.ProxyAuth = auth;
    rig.settings.ProxyUser = QStringLiteral("user");
    rig.settings.ProxyPassword = QStringLiteral("pass");
    rig.writeProfile("SERVER:img.example\r\nSEND:post.txt\r\nLINK:href=\"http://*\"\r\nTHLINK:src=\"http://*\"\r\n"
                     "END:\r\n");
    rig.writeData(QStringLiteral("post.txt"), QByteArray(ProxyTemplate).replace("%HOST%", "img.example"));
    rig.server.enqueue(ScriptedHttpServer::reply(EngineRig::ok("<a href=\"http://img.example/i/1.png\">")));

    QVERIFY(rig.start());
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.server.requests(), QList<QByteArray> { expected });
    QCOMPARE(rig.statuses.first(), QStringLiteral("Соединение с img.example(127.0.0.1:%1...").arg(rig.server.port()));
    QCOMPARE(rig.engine->ImageLink(), QStringLiteral("http://img.example/i/1.png"));
    QCOMPARE(rig.engine->PreviewLink(), QStringLiteral("http://img.example/error"));
}

// With the proxy on, CONNECT goes to the proxy as well, and the GET on that connection carries the absolute
// address and the proxy's credentials.
void tst_UploadEngineProxy::connectGoesThroughTheProxyToo()
{
    EngineRig rig; // its server is the proxy
    QVERIFY(rig.serverStarted());
    rig.settings.UseProxy = true;
    rig.settings.ProxyHost = QStringLiteral("127.0.0.1");
    rig.settings.ProxyPort = QString::number(rig.server.port());
    rig.settings.ProxyAuth = true;
    rig.settings.ProxyUser = QStringLiteral("user");
    rig.settings.ProxyPassword = QStringLiteral("pass");
    rig.writeProfile("SERVER:img.example\r\nSEND:post.txt\r\nSEARCHLINK:goto=\"http://*\"\r\nCONNECT:\r\n"
                     "GOTOLINK:/page\r\nLINK:href=\"http://*\"\r\nEND:\r\n");
    rig.writeData(QStringLiteral("post.txt"), QByteArray(ProxyTemplate).replace("%HOST%", "img.example"));
    rig.server.enqueue(ScriptedHttpServer::reply(EngineRig::ok("goto=\"http://site.example/page\"")));
    rig.server.enqueue(ScriptedHttpServer::reply(EngineRig::ok("<a href=\"http://site.example/i/9.png\">")));

    QVERIFY(rig.start());
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QCOMPARE(rig.server.connectionCount(), 2);
    QCOMPARE(rig.server.requests().at(1),
        Data::BuildGetRequest(
            "site.example", "/page", { true, true, QStringLiteral("user"), QStringLiteral("pass") }, false));
    QVERIFY(rig.server.requests().at(1).startsWith("GET http://site.example/page HTTP/1.0\r\n"));
    QVERIFY(rig.server.requests().at(1).contains("\r\nProxy-Authorization: Basic dXNlcjpwYXNz\r\n"));
    QCOMPARE(rig.statuses.count(QStringLiteral("Соединение с site.example(127.0.0.1:%1...").arg(rig.server.port())), 1);
    QCOMPARE(rig.engine->ImageLink(), QStringLiteral("http://site.example/i/9.png"));
}

void tst_UploadEngineProxy::unusableProxyEndsTheUpload_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");

    QTest::newRow("port not a number") << QStringLiteral("127.0.0.1") << QStringLiteral("http");
    QTest::newRow("port empty") << QStringLiteral("127.0.0.1") << QString();
    QTest::newRow("host empty") << QString() << QStringLiteral("3128");
}

void tst_UploadEngineProxy::unusableProxyEndsTheUpload()
{
    QFETCH(QString, host);
    QFETCH(QString, port);

    EngineRig rig;
    rig.settings.UseProxy = true;
    rig.settings.ProxyHost = host;
    rig.settings.ProxyPort = port;
    rig.writeProfile(EngineRig::PlainScript);
    rig.writeData(QStringLiteral("post.txt"), ProxyTemplate);

    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), Wait);
    QVERIFY(rig.isIdle());
    QVERIFY2(
        rig.engine->statusText().startsWith(QStringLiteral("Ошибка сокета #")), qPrintable(rig.engine->statusText()));
}

void tst_UploadEngineProxy::throughTinyproxy_data()
{
    QTest::addColumn<bool>("auth");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("right credentials") << true << QStringLiteral("secret") << QStringLiteral("link");
    QTest::newRow("no credentials: 407 Proxy Authentication Required")
        << false << QString() << QStringLiteral("Необходима авторизация на прокси-сервере");
    // tinyproxy 1.11 refuses a wrong password with "401 Unauthorized", an ordinary reply without a link.
    QTest::newRow("wrong password") << true << QStringLiteral("wrong") << QStringLiteral("refused");
}

void tst_UploadEngineProxy::throughTinyproxy()
{
    QFETCH(bool, auth);
    QFETCH(QString, password);
    QFETCH(QString, outcome);

    if (TinyProxy::program().isEmpty())
        QSKIP("tinyproxy is not installed (Debian package tinyproxy); the proxy path through a real proxy is "
              "not tested");
    TinyProxy proxy;
    QVERIFY2(proxy.start(QStringLiteral("pictoferry"), QStringLiteral("secret")), qPrintable(proxy.errorText()));

    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.useProxy(proxy.port(), auth, password);
    rig.writeProfile(EngineRig::PlainScript);
    rig.writeData(QStringLiteral("post.txt"), ProxyTemplate);
    rig.server.enqueue(ScriptedHttpServer::reply(EngineRig::ok(rig.expand(EngineRig::LinkPage))));

    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), Wait);
    QVERIFY(rig.isIdle());
    if (outcome != QLatin1String("link")) {
        QVERIFY(!rig.finished.contains(true));
        QCOMPARE(rig.server.connectionCount(), 0);
        if (outcome != QLatin1String("refused")) {
            QCOMPARE(rig.engine->statusText(), outcome);
            QVERIFY(rig.finished.isEmpty());
        }
        return;
    }
    QVERIFY2(rig.finished == QList<bool> { true }, qPrintable(rig.statuses.join(QLatin1Char('|'))));
    QCOMPARE(rig.engine->ImageLink(), rig.expandText(QStringLiteral("http://%HOST%/i/1.png")));
    QCOMPARE(rig.server.connectionCount(), 1);
    const QByteArray forwarded = rig.server.requests().first();
    QVERIFY2(forwarded.startsWith("POST /up HTTP/1."), forwarded.constData());
    QVERIFY(!forwarded.contains("Proxy-Authorization"));
    QVERIFY(forwarded.endsWith("\r\n\r\n" + EngineRig::Image));
    QVERIFY(proxy.log().contains("Request (file descriptor"));
}

void tst_UploadEngineProxy::sequencesThroughTinyproxy_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("keptCookie");

    const QByteArray tail = "SEND:post.txt\r\nLINK:href=\"http://*\"\r\nEND:\r\n";
    QTest::newRow("cookie fetched") << "SERVER:%HOST%\r\nGETCOOKIES:/c\r\nCONNECT:\r\n" + tail << false;
    QTest::newRow("cookie kept") << "SERVER:%HOST%\r\nGETCOOKIES:/c\r\nCONNECT:\r\n" + tail << true;
    QTest::newRow("two stages") << QByteArray(
        "SERVER:%HOST%\r\nSEND:post.txt\r\nSEARCHLINK:goto=\"http://*\"\r\nCONNECT:\r\n"
        "GOTOLINK:/result\r\nLINK:href=\"http://*\"\r\nEND:\r\n")
                                << false;
}

// The whole conversation of the longer profiles passes the proxy with its credentials, and the image host
// never sees anything meant for the proxy.
void tst_UploadEngineProxy::sequencesThroughTinyproxy()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, keptCookie);

    if (TinyProxy::program().isEmpty())
        QSKIP("tinyproxy is not installed (Debian package tinyproxy)");
    TinyProxy proxy;
    QVERIFY2(proxy.start(QStringLiteral("pictoferry"), QStringLiteral("secret")), qPrintable(proxy.errorText()));

    EngineRig rig;
    QVERIFY(rig.serverStarted());
    rig.useProxy(proxy.port(), true, QStringLiteral("secret"));
    if (keptCookie)
        rig.folder.writeFile(QStringLiteral("cookies.ini"), rig.expand("[Main]\r\n%HOST%=uid=42\r\n"));
    rig.writeProfile(script);
    rig.writeData(QStringLiteral("post.txt"),
        "POST /up HTTP/1.0\r\nHost: %HOST%\r\nCookie: {COOKIES}\r\nContent-Length: {LEN}\r\nConnection: Close\r\n\r\n"
        "{IMGDATA}");
    if (script.contains("GETCOOKIES") && !keptCookie)
        rig.server.enqueue(ScriptedHttpServer::reply(ScriptedHttpServer::httpReply(
            "200 OK", "<html></html>", rig.expand("Set-Cookie: uid=42; expires=x; domain=%HOST%\r\n"))));
    if (script.contains("SEARCHLINK"))
        rig.server.enqueue(ScriptedHttpServer::reply(EngineRig::ok(rig.expand("<a goto=\"http://%HOST%/result\">"))));
    rig.server.enqueue(ScriptedHttpServer::reply(EngineRig::ok(rig.expand(EngineRig::LinkPage))));

    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.engine->isScriptOpen(), Wait);
    QVERIFY2(rig.finished == QList<bool> { true }, qPrintable(rig.statuses.join(QLatin1Char('|'))));
    QCOMPARE(rig.engine->ImageLink(), rig.expandText(QStringLiteral("http://%HOST%/i/1.png")));
    const int expected = keptCookie ? 1 : 2;
    QCOMPARE(rig.server.connectionCount(), expected);
    for (const QByteArray& request : rig.server.requests()) {
        QVERIFY2(!request.contains("Proxy-"), request.constData());
        QVERIFY2(!request.contains("cGljdG9mZXJyeTpzZWNyZXQ="), request.constData());
    }
    const QByteArray upload = rig.server.requests().at(script.contains("SEARCHLINK") ? 0 : expected - 1);
    QVERIFY2(upload.startsWith("POST /up HTTP/1."), upload.constData());
    if (script.contains("GETCOOKIES"))
        QVERIFY(upload.contains("Cookie: uid=42\r\n"));
    if (expected == 2) {
        const QByteArray get = rig.server.requests().at(script.contains("SEARCHLINK") ? 1 : 0);
        QVERIFY2(get.startsWith("GET /"), get.constData());
    }
}

QTEST_GUILESS_MAIN(tst_UploadEngineProxy)
#include "tst_UploadEngineProxy.moc"
