#include "SxcuRig.h"

#include "engine/ServerCatalogue.h"
#include "support/HttpFixtureServer.h"
#include "support/TestCertificates.h"

#include <QScopeGuard>
#include <QTest>
#include <QUrl>

namespace
{

constexpr int Wait = 60000;

using Request = HttpFixtureServer::Request;
using Part = HttpFixtureServer::Part;

const QString DataFolder = QStringLiteral(PICTOFERRY_SOURCE_DIR "/data");

QByteArray field(const QList<Part>& parts, const QByteArray& name)
{
    for (const Part& part : parts) {
        if (part.name == name && part.fileName.isEmpty())
            return part.body;
    }
    return {};
}

const Part* filePart(const QList<Part>& parts, const QByteArray& name)
{
    for (const Part& part : parts) {
        if (part.name == name && !part.fileName.isEmpty())
            return &part;
    }
    return nullptr;
}

bool hasField(const QList<Part>& parts, const QByteArray& name)
{
    return std::any_of(parts.begin(), parts.end(), [&](const Part& part) { return part.name == name; });
}

// What each host checks in an upload request and how it answers, as far as its clients show.
QByteArray emulate(const QString& host, const Request& request)
{
    using S = HttpFixtureServer;
    const QList<Part> parts = S::parts(request);
    if (request.method != "POST" || !request.header("User-Agent").startsWith("Pictoferry/"))
        return S::reply("403 Forbidden", "Forbidden");
    if (host == u"catbox.moe" || host == u"litterbox.catbox.moe") {
        const bool litter = host == u"litterbox.catbox.moe";
        const QByteArray path = litter ? "/resources/internals/api.php" : "/user/api.php";
        const QByteArray time = field(parts, "time");
        if (request.target != path || field(parts, "reqtype") != "fileupload"
            || (litter && !QByteArrayList { "1h", "12h", "24h", "72h" }.contains(time))
            || (!litter && !hasField(parts, "userhash")))
            return S::reply("412 Precondition Failed", "No request type given.");
        if (!filePart(parts, "fileToUpload"))
            return S::reply("412 Precondition Failed", "No files given.");
        return S::reply(
            "200 OK", litter ? "https://litter.catbox.moe/x9y8z7.png" : "https://files.catbox.moe/ab12cd.png");
    }
    if (host == u"0x0.st") {
        if (request.target != "/" || !filePart(parts, "file"))
            return S::reply("400 Bad Request", "400 Bad Request\n");
        return S::reply("200 OK", "https://0x0.st/Xy1.png\n", "X-Token: 9f2e\r\nX-Expires: 1760000000000\r\n");
    }
    if (host == u"uguu.se") {
        if (request.target != "/upload?output=json" || !filePart(parts, "files[]"))
            return S::reply(
                "400 Bad Request", R"~({"success":false,"errorcode":400,"description":"No input file(s)"})~");
        return S::reply("200 OK",
            R"({"success":true,"files":[{"hash":"5d41","filename":"shot.png",)"
            R"("url":"https:\/\/n.uguu.se\/AbCdEf.png","size":3000}]})");
    }
    // freeimage.host
    if (request.target != "/api/1/upload" || field(parts, "action") != "upload" || field(parts, "format") != "json")
        return S::reply("400 Bad Request", R"({"status_code":400,"error":{"message":"Bad request","code":0}})");
    if (field(parts, "key") != "6d207e02198a847aa98d0a2a901485a5")
        return S::reply("400 Bad Request",
            R"({"status_code":400,"error":{"message":"Invalid API v1 key.","code":100},"status_txt":"Bad Request"})");
    if (!filePart(parts, "source"))
        return S::reply(
            "400 Bad Request", R"({"status_code":400,"error":{"message":"Empty upload source.","code":130}})");
    return S::reply("200 OK",
        R"({"status_code":200,"success":{"message":"image uploaded","code":200},"image":{)"
        R"("name":"shot","url":"https:\/\/iili.io\/Ab1.png","url_viewer":"https:\/\/freeimage.host\/i\/Ab1",)"
        R"("thumb":{"url":"https:\/\/iili.io\/Ab1.th.png"},"medium":{"url":"https:\/\/iili.io\/Ab1.md.png"}},)"
        R"("status_txt":"OK"})");
}

// The shipped profile, aimed at the local server instead of the host.
SxcuFile localProfile(const QString& name, const HttpFixtureServer& server)
{
    SxcuFile file = SxcuFile::Read(DataFolder + u'/' + name + QStringLiteral(".sxcu"));
    QUrl url(file.RequestURL);
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(server.port());
    file.RequestURL = url.toString();
    return file;
}

} // namespace

class tst_SxcuProfiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void uploads_data();
    void uploads();
    void hostErrors_data();
    void hostErrors();

private:
    TestCertificates m_certificates;
    QByteArray m_oldCertFile;
};

void tst_SxcuProfiles::initTestCase()
{
    QVERIFY2(m_certificates.make(), qPrintable(m_certificates.errorText()));
    m_oldCertFile = qgetenv("SSL_CERT_FILE");
    qputenv("SSL_CERT_FILE", m_certificates.caFile().toLocal8Bit());
}

void tst_SxcuProfiles::cleanupTestCase()
{
    if (m_oldCertFile.isEmpty())
        qunsetenv("SSL_CERT_FILE");
    else
        qputenv("SSL_CERT_FILE", m_oldCertFile);
}

void tst_SxcuProfiles::uploads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint32>("maxSize");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("preview");

    QTest::newRow("catbox.moe") << "catbox.moe" << 209715200 << "https://files.catbox.moe/ab12cd.png" << QString();
    QTest::newRow("litterbox.catbox.moe")
        << "litterbox.catbox.moe" << 1073741824 << "https://litter.catbox.moe/x9y8z7.png" << QString();
    QTest::newRow("0x0.st") << "0x0.st" << 268435456 << "https://0x0.st/Xy1.png" << QString();
    QTest::newRow("uguu.se") << "uguu.se" << 134217728 << "https://n.uguu.se/AbCdEf.png" << QString();
    QTest::newRow("freeimage.host") << "freeimage.host" << 33554432 << "https://iili.io/Ab1.png"
                                    << "https://iili.io/Ab1.th.png";
}

void tst_SxcuProfiles::uploads()
{
    QFETCH(QString, name);
    QFETCH(qint32, maxSize);
    QFETCH(QString, link);
    QFETCH(QString, preview);

    HttpFixtureServer server;
    QVERIFY(server.startTls(m_certificates.certificateFile(), m_certificates.keyFile()));
    server.setHandler([name](const Request& request) { return emulate(name, request); });
    const SxcuFile file = localProfile(name, server);
    QVERIFY2(file.isUsable(), qPrintable(file.Problem));
    QCOMPARE(file.Name, name);

    SxcuRig rig;
    const QByteArray picture = pngBytes();
    QVERIFY(rig.uploader.StartUpload(file, rig.picture(QStringLiteral("pictures/shot.png"), picture)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
    QCOMPARE(rig.uploader.ImageLink(), link);
    QCOMPARE(rig.uploader.PreviewLink(), preview.isEmpty() ? link : preview);
    const QList<Part> parts = HttpFixtureServer::parts(server.requests().first());
    const auto sent
        = std::find_if(parts.begin(), parts.end(), [](const Part& part) { return !part.fileName.isEmpty(); });
    QVERIFY(sent != parts.end());
    QCOMPARE(sent->fileName, QByteArray("shot.png"));
    QCOMPARE(sent->contentType, QByteArray("image/png"));
    QCOMPARE(sent->body, picture);
    if (name == u"litterbox.catbox.moe")
        QCOMPARE(field(parts, "time"), QByteArray("72h"));

    const ServerInfo info = ServerCatalogue::LoadServerInfo(QStringLiteral(PICTOFERRY_SOURCE_DIR), name);
    QCOMPARE(info.MaxSize, maxSize);
    QCOMPARE(info.URL, QStringLiteral("https://") + name + u'/');
    QVERIFY(!info.HostTime.isEmpty());
}

void tst_SxcuProfiles::hostErrors_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("argument"); // changed in the file before the upload
    QTest::addColumn<QString>("fileFormName");
    QTest::addColumn<QString>("detail");

    QTest::newRow("freeimage.host, wrong key") << "freeimage.host"
                                               << "key" << QString() << "Invalid API v1 key.";
    QTest::newRow("uguu.se, no file") << "uguu.se" << QString() << "file"
                                      << "No input file(s)";
    QTest::newRow("catbox.moe, no file") << "catbox.moe" << QString() << "file"
                                         << "No files given.";
}

void tst_SxcuProfiles::hostErrors()
{
    QFETCH(QString, name);
    QFETCH(QString, argument);
    QFETCH(QString, fileFormName);
    QFETCH(QString, detail);

    HttpFixtureServer server;
    QVERIFY(server.startTls(m_certificates.certificateFile(), m_certificates.keyFile()));
    server.setHandler([name](const Request& request) { return emulate(name, request); });
    SxcuFile file = localProfile(name, server);
    for (auto& [key, value] : file.Arguments) {
        if (key == argument)
            value = QStringLiteral("0000");
    }
    if (!fileFormName.isEmpty())
        file.FileFormName = fileFormName;

    SxcuRig rig;
    QVERIFY(rig.uploader.StartUpload(file, rig.picture(QStringLiteral("shot.png"), pngBytes())));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { false }, Wait);
    QCOMPARE(rig.messages.size(), 1);
    QVERIFY2(rig.messages.first().first().endsWith(u'\n' + detail), qPrintable(rig.messages.first().first()));
    QVERIFY(rig.messages.first().first().startsWith(QStringLiteral("Ошибка загрузки изображения на сервер ") + name));
}

QTEST_GUILESS_MAIN(tst_SxcuProfiles)
#include "tst_SxcuProfiles.moc"
