#include "SxcuRig.h"

#include "engine/TlsTrust.h"
#include "support/HttpFixtureServer.h"
#include "support/TestCertificates.h"
#include "support/TinyProxy.h"

#include <QScopeGuard>
#include <QTest>

namespace
{

constexpr int Wait = 60000;

using Request = HttpFixtureServer::Request;

// The file's text with the server's address put in.
SxcuFile profile(const QByteArray& json, const HttpFixtureServer& server)
{
    return SxcuFile::Parse(QByteArray(json).replace("%SERVER%", server.url("")), QStringLiteral("test.sxcu"));
}

// Sets an environment variable (or removes it, for a null value) until the guard ends.
auto environment(const char* name, const QByteArray& value)
{
    const bool had = qEnvironmentVariableIsSet(name);
    const QByteArray old = qgetenv(name);
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
    return qScopeGuard([=] {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    });
}

const QByteArray LinksJson
    = R"({"data":{"url":"https:\/\/i.example\/a.png","thumb":{"url":"https:\/\/i.example\/t.png"},)"
      R"("delete":"https:\/\/i.example\/del\/k"}})";

} // namespace

class tst_SxcuUploader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void multipartRequestOverHttps();
    void binaryRequest();
    void fieldsGoOutInTheOrderOfTheFile();
    void untrustedServerFails();
    void replies_data();
    void replies();
    void redirects_data();
    void redirects();
    void noRedirectFromHttpsToHttp();
    void replyThatNeverComes();
    void stopDuringTheSend();
    void connectionRefused();
    void environmentProxyIsIgnored();
    void throughTinyproxy_data();
    void throughTinyproxy();
    void refusals_data();
    void refusals();

private:
    TestCertificates m_certificates;
};

void tst_SxcuUploader::initTestCase()
{
    QVERIFY2(m_certificates.make(), qPrintable(m_certificates.errorText()));
}

void tst_SxcuUploader::multipartRequestOverHttps()
{
    const auto trust = environment("SSL_CERT_FILE", m_certificates.caFile().toLocal8Bit());
    HttpFixtureServer server;
    QVERIFY(server.startTls(m_certificates.certificateFile(), m_certificates.keyFile()));
    server.setHandler([](const Request&) { return HttpFixtureServer::reply("200 OK", LinksJson); });
    const SxcuFile file = profile(R"({"Version": "18.0.2", "RequestURL": "%SERVER%/api/upload?a=1",
        "Parameters": {"q": "a+b&c d/é", "output": "json"},
        "Headers": {"Authorization": "Basic {base64:user:pass}", "X-File": "{filename}"},
        "Arguments": {"expires": "24", "title": "Снимок {filename}"}, "FileFormName": "file",
        "URL": "{json:data.url}", "ThumbnailURL": "{json:data.thumb.url}", "DeletionURL": "{json:data.delete}"})",
        server);
    QVERIFY2(file.isUsable(), qPrintable(file.Problem));

    SxcuRig rig;
    const QByteArray picture = pngBytes(70000);
    QVERIFY(rig.uploader.StartUpload(file, rig.picture(QStringLiteral("sub folder/shot 1.png"), picture)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.uploader.ImageLink(), QStringLiteral("https://i.example/a.png"));
    QCOMPARE(rig.uploader.PreviewLink(), QStringLiteral("https://i.example/t.png"));
    QCOMPARE(rig.uploader.DeletionLink(), QStringLiteral("https://i.example/del/k"));
    QVERIFY(rig.uploader.isLinkTypesEnabled());

    QCOMPARE(server.requests().size(), 1);
    const Request& request = server.requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, QByteArray("/api/upload?a=1&q=a%2Bb%26c%20d%2F%C3%A9&output=json"));
    QCOMPARE(request.header("User-Agent"), QByteArray("Pictoferry/1.1"));
    QCOMPARE(request.header("Authorization"), QByteArray("Basic dXNlcjpwYXNz"));
    QCOMPARE(request.header("X-File"), QByteArray("shot 1.png"));
    QCOMPARE(request.header("Content-Length"), QByteArray::number(request.body.size()));
    const QByteArray type = request.header("Content-Type");
    QVERIFY2(type.startsWith("multipart/form-data; boundary="), type.constData());
    QByteArray boundary = type.mid(type.indexOf('=') + 1);
    if (boundary.startsWith('"'))
        boundary = boundary.mid(1, boundary.size() - 2);
    const QByteArray expected = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"expires\"\r\n\r\n24\r\n--"
        + boundary + "\r\nContent-Disposition: form-data; name=\"title\"\r\n\r\n"
        + QStringLiteral("Снимок shot 1.png").toUtf8() + "\r\n--" + boundary
        + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"shot 1.png\"\r\nContent-Type: image/png"
          "\r\n\r\n"
        + picture + "\r\n--" + boundary + "--\r\n";
    QCOMPARE(request.body, expected);

    QCOMPARE(rig.statuses.first(), QStringLiteral("Соединение с 127.0.0.1:%1...").arg(server.port()));
    QVERIFY(rig.statuses.contains(
        QStringLiteral("Загрузка изображения на сервер: 68 Кб из %1 Кб передано").arg(request.body.size() / 1024)));
    QVERIFY(rig.statuses.contains(QStringLiteral("Изображение отправлено, ждем ссылку от сервера...")));
    QCOMPARE(rig.statuses.last(), QStringLiteral("Загрузка завершена"));
    QCOMPARE(rig.countdowns.first(), QStringLiteral("30"));
    QCOMPARE(rig.countdowns.last(), QString());
    QCOMPARE(rig.uploadButtons, (QList<bool> { false, true }));
    QVERIFY(rig.messages.isEmpty());
}

void tst_SxcuUploader::binaryRequest()
{
    HttpFixtureServer server;
    QVERIFY(server.start());
    server.setHandler([](const Request&) { return HttpFixtureServer::reply("201 Created", R"({"id":"abc"})"); });
    const SxcuFile file = profile(R"({"Version": "18.0.2", "RequestMethod": "PUT", "Body": "Binary",
        "RequestURL": "%SERVER%/api/file/{filename}", "Headers": {"user-agent": "custom/2"},
        "URL": "https://pix.example/u/{json:id}", "ThumbnailURL": "no scheme/{json:id}"})",
        server);
    QVERIFY2(file.isUsable(), qPrintable(file.Problem));

    SxcuRig rig;
    const QByteArray picture = QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + QByteArray(5000, 'j');
    QVERIFY(rig.uploader.StartUpload(file, rig.picture(QStringLiteral("my photo.jpg"), picture)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QCOMPARE(rig.uploader.ImageLink(), QStringLiteral("https://pix.example/u/abc"));
    QCOMPARE(rig.uploader.PreviewLink(), rig.uploader.ImageLink());
    QCOMPARE(rig.uploader.DeletionLink(), QString());

    const Request& request = server.requests().first();
    QCOMPARE(request.method, QByteArray("PUT"));
    QCOMPARE(request.target, QByteArray("/api/file/my%20photo.jpg"));
    QCOMPARE(request.header("User-Agent"), QByteArray("custom/2"));
    QCOMPARE(request.header("Content-Type"), QByteArray("image/jpeg"));
    QCOMPARE(request.header("Content-Length"), QByteArray::number(picture.size()));
    QCOMPARE(request.body, picture);
}

// Query, headers and form fields reach the host in the order of the file, not sorted by name.
void tst_SxcuUploader::fieldsGoOutInTheOrderOfTheFile()
{
    HttpFixtureServer server;
    QVERIFY(server.start());
    server.setHandler([](const Request&) { return HttpFixtureServer::reply("200 OK", LinksJson); });
    const SxcuFile file = profile(R"({"RequestURL": "%SERVER%/up?first=0", "FileFormName": "file",
        "Parameters": {"z": "1", "b": "2", "\u006d": "3", "b": "4"},
        "Headers": {"X-Zulu": "1", "X-Bravo": "2", "X-Mike": "3"},
        "Arguments": {"zulu": "1", "bravo": "2", "mike": "3", "alpha": "4"},
        "URL": "{json:data.url}"})",
        server);
    QVERIFY2(file.isUsable(), qPrintable(file.Problem));

    SxcuRig rig;
    QVERIFY(rig.uploader.StartUpload(file, rig.picture(QStringLiteral("a.png"), pngBytes())));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QCOMPARE(server.requests().size(), 1);
    const Request& request = server.requests().first();
    QCOMPARE(request.target, QByteArray("/up?first=0&z=1&b=4&m=3"));
    QByteArrayList headers;
    for (const auto& [name, value] : request.headers) {
        if (name.startsWith("X-"))
            headers << name + ": " + value;
    }
    QCOMPARE(headers, (QByteArrayList { "X-Zulu: 1", "X-Bravo: 2", "X-Mike: 3" }));
    QByteArrayList fields;
    for (const HttpFixtureServer::Part& part : HttpFixtureServer::parts(request))
        fields << part.name + '=' + (part.fileName.isEmpty() ? part.body : "(file)");
    QCOMPARE(fields, (QByteArrayList { "zulu=1", "bravo=2", "mike=3", "alpha=4", "file=(file)" }));
}

void tst_SxcuUploader::untrustedServerFails()
{
    const auto trust = environment("SSL_CERT_FILE", QByteArray());
    HttpFixtureServer server;
    QVERIFY(server.startTls(m_certificates.certificateFile(), m_certificates.keyFile()));
    SxcuRig rig;
    QVERIFY(rig.uploader.StartUpload(profile(R"({"RequestURL": "%SERVER%/up", "FileFormName": "f"})", server),
        rig.picture(QStringLiteral("a.png"), pngBytes())));
    QTRY_VERIFY_WITH_TIMEOUT(rig.isIdle(), Wait);
    QVERIFY2(rig.statuses.last().startsWith(QStringLiteral("Ошибка сокета #13 ")), qPrintable(rig.statuses.last()));
    QVERIFY(rig.finished.isEmpty());
    QCOMPARE(rig.endings, QList<Uploader::Outcome> { Uploader::Outcome::Failed });
    QVERIFY(server.requests().isEmpty());

    // The trust of the variable comes on top of the system's authorities.
    const QSslConfiguration configuration = TlsTrust::Configuration(m_certificates.caFile());
    QCOMPARE(
        configuration.caCertificates().size(), QSslConfiguration::systemCaCertificates().size() + 1 - [] {
            int duplicates = 0;
            const auto system = QSslConfiguration::systemCaCertificates();
            for (qsizetype i = 0; i < system.size(); ++i)
                duplicates += system.indexOf(system[i]) < i ? 1 : 0;
            return duplicates;
        }());
    QVERIFY(configuration.caCertificates().contains(QSslCertificate::fromPath(m_certificates.caFile()).first()));
}

void tst_SxcuUploader::replies_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("message");

    const QString unknown = QStringLiteral("Сервер вернул неизвестные данные. Вероятно, изменились параметры "
                                           "сервиса, либо это больше не фотохостинг.\r\n\r\nВоспользуйтесь другим "
                                           "сервером или ждите выхода новой версии программы");
    const QString head = QStringLiteral("Ошибка загрузки изображения на сервер 127.0.0.1\r\nОтвет сервера: ");
    QTest::newRow("bare link with a line feed") << QByteArray("200 OK") << QByteArray(" https://f.example/ab.png\n")
                                                << QByteArray() << true << "https://f.example/ab.png" << QString();
    QTest::newRow("json link of a 201") << QByteArray("201 Created") << QByteArray(R"({"url":"http:\/\/f.example\/1"})")
                                        << QByteArray(R"("URL": "{json:url}",)") << true << "http://f.example/1"
                                        << QString();
    QTest::newRow("413 with ErrorMessage")
        << QByteArray("413 Payload Too Large") << QByteArray(R"({"success":false,"description":"File too large"})")
        << QByteArray(R"("ErrorMessage": "{json:description}",)") << false << QString()
        << head + "413 Payload Too Large\r\n\r\nFile too large";
    QTest::newRow("500 with ErrorMessage")
        << QByteArray("500 Internal Server Error") << QByteArray(R"({"error":{"message":"Disk full"}})")
        << QByteArray(R"("ErrorMessage": "{json:error.message}",)") << false << QString()
        << head + "500 Internal Server Error\r\n\r\nDisk full";
    QTest::newRow("500, ErrorMessage finds nothing: the body")
        << QByteArray("500 Internal Server Error") << QByteArray("  <h1>Oops</h1>\n")
        << QByteArray(R"("ErrorMessage": "{json:error.message}",)") << false << QString()
        << head + "500 Internal Server Error\r\n\r\n<h1>Oops</h1>";
    QTest::newRow("404 without ErrorMessage, long body cut")
        << QByteArray("404 Not Found") << QByteArray(400, 'x') << QByteArray() << false << QString()
        << head + "404 Not Found\r\n\r\n" + QString(300, u'x') + "…";
    QTest::newRow("200 with an empty body")
        << QByteArray("200 OK") << QByteArray("\r\n") << QByteArray() << false << QString() << unknown;
    QTest::newRow("200, link without a scheme")
        << QByteArray("200 OK") << QByteArray("f.example/ab.png") << QByteArray() << false << QString() << unknown;
    QTest::newRow("200, json path missing")
        << QByteArray("200 OK") << QByteArray(R"({"files":[]})") << QByteArray(R"("URL": "{json:files[0].url}",)")
        << false << QString() << unknown;
}

void tst_SxcuUploader::replies()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, fields);
    QFETCH(bool, success);
    QFETCH(QString, link);
    QFETCH(QString, message);

    HttpFixtureServer server;
    QVERIFY(server.start());
    server.setHandler([&](const Request&) { return HttpFixtureServer::reply(status, body); });
    const SxcuFile file = profile("{" + fields + R"("RequestURL": "%SERVER%/up", "FileFormName": "f"})", server);
    QVERIFY2(file.isUsable(), qPrintable(file.Problem));

    SxcuRig rig;
    QVERIFY(rig.uploader.StartUpload(file, rig.picture(QStringLiteral("a.png"), pngBytes())));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { success }, Wait);
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.uploader.ImageLink(), link);
    QCOMPARE(rig.uploader.PreviewLink(), link);
    QCOMPARE(
        rig.endings, QList<Uploader::Outcome> { success ? Uploader::Outcome::Success : Uploader::Outcome::Failed });
    if (success) {
        QCOMPARE(rig.statuses.last(), QStringLiteral("Загрузка завершена"));
        QVERIFY(rig.messages.isEmpty());
    } else {
        QCOMPARE(rig.statuses.last(), QStringLiteral("Ошибка загрузки"));
        QCOMPARE(rig.messages, (QList<QStringList> { { message, QStringLiteral("Ошибка загрузки") } }));
    }
}

void tst_SxcuUploader::redirects_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<int>("hops");
    QTest::addColumn<QByteArray>("followUpMethod");
    QTest::addColumn<QString>("ending");

    QTest::newRow("307 keeps the method and the body")
        << QByteArray("307 Temporary Redirect") << 1 << QByteArray("POST") << QStringLiteral("Загрузка завершена");
    QTest::newRow("303 asks with GET") << QByteArray("303 See Other") << 1 << QByteArray("GET")
                                       << QStringLiteral("Загрузка завершена");
    QTest::newRow("five redirects") << QByteArray("308 Permanent Redirect") << 5 << QByteArray("POST")
                                    << QStringLiteral("Загрузка завершена");
    QTest::newRow("six redirects are too many")
        << QByteArray("302 Found") << 6 << QByteArray("GET")
        << QStringLiteral("Сервер перенаправил закачку больше 5 раз. Закачка прервана");
}

void tst_SxcuUploader::redirects()
{
    QFETCH(QByteArray, status);
    QFETCH(int, hops);
    QFETCH(QByteArray, followUpMethod);
    QFETCH(QString, ending);

    HttpFixtureServer server;
    QVERIFY(server.start());
    // "/hop/N" sends on to "/hop/N-1"; "/hop/0" answers with the link.
    server.setHandler([&](const Request& request) {
        const int left = request.target.mid(5).toInt();
        if (left == 0)
            return HttpFixtureServer::reply("200 OK", "https://f.example/1.png");
        return HttpFixtureServer::reply(status, {}, "Location: /hop/" + QByteArray::number(left - 1) + "\r\n");
    });
    const SxcuFile file = profile(R"({"RequestURL": "%SERVER%/hop/)" + QByteArray::number(hops)
            + R"(", "FileFormName": "f", "DeletionURL": "{responseurl}#del"})",
        server);
    SxcuRig rig;
    QVERIFY(rig.uploader.StartUpload(file, rig.picture(QStringLiteral("a.png"), pngBytes())));
    QTRY_VERIFY_WITH_TIMEOUT(rig.isIdle(), Wait);
    QCOMPARE(rig.statuses.last(), ending);

    const QList<Request>& requests = server.requests();
    QCOMPARE(requests.size(), qMin(hops, 5) + 1);
    QCOMPARE(requests.last().method, followUpMethod);
    QCOMPARE(requests.last().body, followUpMethod == "GET" ? QByteArray() : requests.first().body);
    if (hops <= 5) {
        QCOMPARE(rig.finished, QList<bool> { true });
        QCOMPARE(rig.uploader.DeletionLink(), QString::fromLatin1(server.url("/hop/0#del")));
    } else {
        QVERIFY(rig.finished.isEmpty());
    }
}

void tst_SxcuUploader::noRedirectFromHttpsToHttp()
{
    const auto trust = environment("SSL_CERT_FILE", m_certificates.caFile().toLocal8Bit());
    HttpFixtureServer plain;
    QVERIFY(plain.start());
    HttpFixtureServer secure;
    QVERIFY(secure.startTls(m_certificates.certificateFile(), m_certificates.keyFile()));
    secure.setHandler([&](const Request&) {
        return HttpFixtureServer::reply("307 Temporary Redirect", {}, "Location: " + plain.url("/up") + "\r\n");
    });
    SxcuRig rig;
    QVERIFY(rig.uploader.StartUpload(profile(R"({"RequestURL": "%SERVER%/up", "FileFormName": "f"})", secure),
        rig.picture(QStringLiteral("a.png"), pngBytes())));
    QTRY_VERIFY_WITH_TIMEOUT(rig.isIdle(), Wait);
    QCOMPARE(rig.statuses.last(), QStringLiteral("Сервер перенаправил закачку с https на http. Закачка прервана"));
    QCOMPARE(secure.requests().size(), 1);
    QCOMPARE(plain.connectionCount(), 0);
    QVERIFY(rig.finished.isEmpty());
}

void tst_SxcuUploader::replyThatNeverComes()
{
    HttpFixtureServer server;
    QVERIFY(server.start());
    server.setHandler([](const Request&) { return QByteArray(); });
    SxcuRig rig(1);
    QVERIFY(rig.uploader.StartUpload(profile(R"({"RequestURL": "%SERVER%/up", "FileFormName": "f"})", server),
        rig.picture(QStringLiteral("a.png"), pngBytes())));
    QTRY_VERIFY_WITH_TIMEOUT(rig.isIdle(), Wait);
    QCOMPARE(rig.statuses.last(), QStringLiteral("Сервер не отдал ссылку. Таймаут."));
    QStringList expected;
    for (int left = 30; left >= 0; --left)
        expected << QString::number(left);
    expected << QString();
    QCOMPARE(rig.countdowns, expected);
    QVERIFY(rig.finished.isEmpty());
    QCOMPARE(rig.endings, QList<Uploader::Outcome> { Uploader::Outcome::TimedOut });
    QCOMPARE(server.requests().size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(server.closedCount(), 1, Wait);
}

void tst_SxcuUploader::stopDuringTheSend()
{
    HttpFixtureServer server;
    server.setStalled(true);
    QVERIFY(server.start());
    SxcuRig rig;
    const qsizetype size = qsizetype(32) * 1024 * 1024;
    QVERIFY(rig.uploader.StartUpload(profile(R"({"RequestURL": "%SERVER%/up", "FileFormName": "f"})", server),
        rig.picture(QStringLiteral("big.png"), pngBytes(size))));
    rig.uploader.StopUpload(); // nothing sent yet is no obstacle
    QCOMPARE(rig.statuses.last(), QStringLiteral("Закачка прервана"));
    QVERIFY(rig.isIdle());

    rig.statuses.clear();
    rig.countdowns.clear();
    QVERIFY(rig.uploader.StartUpload(profile(R"({"RequestURL": "%SERVER%/up", "FileFormName": "f"})", server),
        rig.dir.filePath(QStringLiteral("big.png"))));
    QTRY_VERIFY_WITH_TIMEOUT(rig.statuses.last().contains(QStringLiteral(" Кб из ")), Wait);
    const QString progress = rig.statuses.last();
    rig.uploader.StopUpload();
    QVERIFY(progress.startsWith(QStringLiteral("Загрузка изображения на сервер: ")));
    QVERIFY2(!progress.startsWith(QStringLiteral("Загрузка изображения на сервер: %1 ").arg(size / 1024)),
        qPrintable(progress));
    QCOMPARE(rig.statuses.last(), QStringLiteral("Закачка прервана"));
    QVERIFY(rig.isIdle());
    QCOMPARE(rig.countdowns, QStringList { QString() }); // cleared, never started
    QTest::qWait(50); // nothing more arrives from the stopped upload
    QCOMPARE(rig.statuses.last(), QStringLiteral("Закачка прервана"));
    QVERIFY(rig.finished.isEmpty());
    QCOMPARE(rig.endings, QList<Uploader::Outcome>(2, Uploader::Outcome::Stopped));
    QVERIFY(server.requests().isEmpty());
}

void tst_SxcuUploader::connectionRefused()
{
    quint16 port = 0;
    {
        HttpFixtureServer closed;
        QVERIFY(closed.start());
        port = closed.port();
    }
    const SxcuFile file = SxcuFile::Parse(
        "{\"RequestURL\": \"http://127.0.0.1:" + QByteArray::number(port) + "/up\", \"FileFormName\": \"f\"}",
        QStringLiteral("r.sxcu"));
    SxcuRig rig;
    QVERIFY(rig.uploader.StartUpload(file, rig.picture(QStringLiteral("a.png"), pngBytes())));
    QTRY_VERIFY_WITH_TIMEOUT(rig.isIdle(), Wait);
    QVERIFY2(rig.statuses.last().startsWith(QStringLiteral("Ошибка сокета #0 ")), qPrintable(rig.statuses.last()));
    QVERIFY(rig.finished.isEmpty());
    QVERIFY(!rig.uploader.isLinkTypesEnabled());
}

void tst_SxcuUploader::environmentProxyIsIgnored()
{
    quint16 closedPort = 0;
    {
        HttpFixtureServer closed;
        QVERIFY(closed.start());
        closedPort = closed.port();
    }
    const QByteArray proxy = "http://127.0.0.1:" + QByteArray::number(closedPort);
    const auto lower = environment("http_proxy", proxy);
    const auto upper = environment("HTTP_PROXY", proxy);
    HttpFixtureServer server;
    QVERIFY(server.start());
    server.setHandler([](const Request&) { return HttpFixtureServer::reply("200 OK", "https://f.example/1"); });
    SxcuRig rig;
    QVERIFY(rig.uploader.StartUpload(profile(R"({"RequestURL": "%SERVER%/up", "FileFormName": "f"})", server),
        rig.picture(QStringLiteral("a.png"), pngBytes())));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QCOMPARE(server.requests().size(), 1);
}

void tst_SxcuUploader::throughTinyproxy_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("success");

    QTest::newRow("right password") << QStringLiteral("secret") << true;
    QTest::newRow("wrong password") << QStringLiteral("wrong") << false;
}

void tst_SxcuUploader::throughTinyproxy()
{
    QFETCH(QString, password);
    QFETCH(bool, success);

    if (TinyProxy::program().isEmpty())
        QSKIP("tinyproxy is not installed");
    TinyProxy proxy;
    QVERIFY2(proxy.start(QStringLiteral("user"), QStringLiteral("secret")), qPrintable(proxy.errorText()));
    HttpFixtureServer server;
    QVERIFY(server.start());
    server.setHandler([](const Request&) { return HttpFixtureServer::reply("200 OK", "https://f.example/p.png"); });

    SxcuRig rig;
    rig.uploader.setProxy(QNetworkProxy(
        QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy.port(), QStringLiteral("user"), password));
    QVERIFY(rig.uploader.StartUpload(profile(R"({"RequestURL": "%SERVER%/up", "FileFormName": "f"})", server),
        rig.picture(QStringLiteral("a.png"), pngBytes())));
    QTRY_VERIFY_WITH_TIMEOUT(rig.isIdle(), Wait);
    QCOMPARE(rig.statuses.first(),
        QStringLiteral("Соединение с 127.0.0.1:%1(127.0.0.1:%2...").arg(server.port()).arg(proxy.port()));
    if (success) {
        QCOMPARE(rig.finished, QList<bool> { true });
        QCOMPARE(rig.uploader.ImageLink(), QStringLiteral("https://f.example/p.png"));
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(HttpFixtureServer::parts(server.requests().first()).size(), 1);
    } else {
        // tinyproxy refuses a wrong password with its own "401 Unauthorized" page, which is shown.
        QCOMPARE(rig.finished, QList<bool> { false });
        QCOMPARE(rig.messages.size(), 1);
        QVERIFY2(rig.messages.first().first().contains(QStringLiteral("Ответ сервера: 401 Unauthorized")),
            qPrintable(rig.messages.first().first()));
        QVERIFY(server.requests().isEmpty());
    }
}

void tst_SxcuUploader::refusals_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("picture"); // "" none, "missing" a file that is not there, else written
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("message");

    const QByteArray good = R"({"RequestURL": "http://127.0.0.1:9/up", "FileFormName": "f"})";
    QTest::newRow("no picture") << good << QString() << QString()
                                << QStringList { "Чего закачивать-то будем?", "Не выбрано изображение!" };
    QTest::newRow("file with a problem")
        << QByteArray(R"({"RequestURL": "http://127.0.0.1:9/up", "Body": "JSON"})") << QStringLiteral("a.png")
        << QStringLiteral("Ошибка в профиле сервера h.sxcu")
        << QStringList { "Файл h.sxcu: поле Body не годится для закачки изображения: нужно MultipartFormData или "
                         "Binary",
               "Ошибка" };
    QTest::newRow("unreadable picture") << good << QStringLiteral("missing") << QStringLiteral("Ошибка чтения файла")
                                        << QStringList { "Не удалось прочитать файл %1", "Ошибка" };
}

void tst_SxcuUploader::refusals()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, picture);
    QFETCH(QString, status);
    QFETCH(QStringList, message);

    SxcuRig rig;
    QString path;
    if (picture == u"missing")
        path = rig.dir.filePath(QStringLiteral("missing.png"));
    else if (!picture.isEmpty())
        path = rig.picture(picture, pngBytes());
    message[0].replace(QStringLiteral("%1"), path);
    QVERIFY(!rig.uploader.StartUpload(SxcuFile::Parse(json, QStringLiteral("h.sxcu")), path));
    QCOMPARE(rig.uploader.statusText(), status);
    QCOMPARE(rig.messages, QList<QStringList> { message });
    QVERIFY(rig.isIdle());
    QVERIFY(rig.uploadButtons.isEmpty());
    QVERIFY(rig.endings.isEmpty()); // an upload that never began does not end
}

QTEST_GUILESS_MAIN(tst_SxcuUploader)
#include "tst_SxcuUploader.moc"
