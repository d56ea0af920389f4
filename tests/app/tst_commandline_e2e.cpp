// The command line of the built program, end to end: the executable is copied into a temporary program
// folder, started with arguments against a scripted HTTP server on 127.0.0.1, and judged by the files it
// leaves behind and the requests the server received.
//
// The test never blocks its own event loop while a child runs (no QProcess::waitFor*), because the
// scripted server lives in this process and must keep answering.

#include "engine/ServerCatalogue.h"
#include "platform/ProfileFile.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempProgramFolder.h"
#include "support/TestCertificates.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace
{

const QString ServiceName = QStringLiteral("pictoferry.test");
const QByteArray ShippedHost = "127.0.0.1:8089";
const QByteArray Boundary = "-----------------------------7d41b838504d8";

// Generous bounds for a loaded machine and sanitizer builds; the tests wait for conditions, not for time.
constexpr int StartTimeoutMs = 30000;
constexpr int ExitTimeoutMs = 60000;
// How long "nothing happens" is watched once the program has finished its start-up.
constexpr int SettleMs = 1500;

QByteArray jpegPicture()
{
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 160));
    for (int x = 0; x < image.width(); ++x)
        image.setPixelColor(x, x % image.height(), Qt::yellow);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

QByteArray replyWithLinks(const QByteArray& host)
{
    return ScriptedHttpServer::httpReply("200 OK",
        "<html><body><p>Picture stored.</p>\n<p><a id=\"image\" href=\"http://" + host
            + "/i/1.jpg\">image</a></p>\n<p><a id=\"preview\" href=\"http://" + host
            + "/i/1s.jpg\">preview</a></p>\n</body></html>\n");
}

QString imageLinkOf(const QByteArray& host)
{
    return QStringLiteral("http://") + QString::fromLatin1(host) + QStringLiteral("/i/1.jpg");
}

QString previewLinkOf(const QByteArray& host)
{
    return QStringLiteral("http://") + QString::fromLatin1(host) + QStringLiteral("/i/1s.jpg");
}

// The header lines and the body of one raw request.
struct Request {
    QByteArray head;
    QByteArray body;

    explicit Request(const QByteArray& raw)
    {
        const qsizetype end = raw.indexOf("\r\n\r\n");
        head = end < 0 ? raw : raw.left(end + 2);
        body = end < 0 ? QByteArray() : raw.mid(end + 4);
    }

    QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : head.split('\n')) {
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        }
        return {};
    }

    // The content of the multipart form's one file part, between its headers and the closing boundary.
    QByteArray filePart() const
    {
        const qsizetype headers = body.indexOf("Content-Disposition: form-data");
        if (headers < 0)
            return {};
        const qsizetype start = body.indexOf("\r\n\r\n", headers);
        const qsizetype end = body.lastIndexOf("\r\n" + Boundary + "--");
        if (start < 0 || end < start + 4)
            return {};
        return body.mid(start + 4, end - (start + 4));
    }
};

} // namespace

class TestCommandLineEndToEnd : public QObject
{
    Q_OBJECT

private:
    // Everything one run of the program touches: its program folder, a home for the desktop files and
    // the single-instance lock, the picture, and the scripted server.
    struct Rig {
        TempProgramFolder program;
        QTemporaryDir home;
        QString picturePath;
        QByteArray picture;
        ScriptedHttpServer server;
    };

    std::vector<std::unique_ptr<QProcess>> m_processes;
    std::vector<std::unique_ptr<QProcess>> m_helpers; // Xvfb and the like, ended after the program

    static QString executablePath(const Rig& rig) { return rig.program.filePath(QStringLiteral("pictoferry")); }
    static QString runtimeFolder(const Rig& rig) { return rig.home.filePath(QStringLiteral("runtime")); }
    static QString dataHome(const Rig& rig) { return rig.home.filePath(QStringLiteral("share")); }
    static QByteArray journal(const Rig& rig) { return rig.program.readFile(QStringLiteral("journal.txt")); }

    static QByteArray optionsValue(const Rig& rig, const QByteArray& section, const QByteArray& key)
    {
        return ProfileFile::ReadValue(rig.program.filePath(QStringLiteral("options.ini")), section, key);
    }

    static bool scratchFolderReady(const Rig& rig)
    {
        return QFileInfo(rig.program.filePath(QStringLiteral("tmp"))).isDir();
    }

    // Copies the built executable and the shipped profile (pointed at the scripted server) into the
    // program folder; a second profile with its own upload path sorts before it in the server list.
    static bool prepare(Rig& rig)
    {
        if (!rig.home.isValid() || !rig.server.start())
            return false;
        const QString built = QStringLiteral(PICTOFERRY_PROGRAM_DIR "/pictoferry");
        if (!QFile::copy(built, executablePath(rig)))
            return false;
        QFile::setPermissions(executablePath(rig), QFile::permissions(built) | QFileDevice::ExeOwner);
        rig.program.copyShippedData();
        rig.program.copyShippedJournalTemplates();

        const QByteArray host = rig.server.hostAndPort();
        for (const QString& name : { QStringLiteral("data/pictoferry.test.serv"),
                 QStringLiteral("data/pictoferry.test.post.txt"), QStringLiteral("data/pictoferry.test.info") }) {
            QByteArray text = rig.program.readFile(name);
            if (!text.contains(ShippedHost))
                return false;
            rig.program.writeFile(name, text.replace(ShippedHost, host));
        }
        const QByteArray otherPost = rig.program.readFile(QStringLiteral("data/pictoferry.test.post.txt"))
                                         .replace("POST /upload", "POST /other");
        rig.program.writeFile(QStringLiteral("data/another.example.post.txt"), otherPost);
        rig.program.writeFile(QStringLiteral("data/another.example.serv"),
            rig.program.readFile(QStringLiteral("data/pictoferry.test.serv"))
                .replace("pictoferry.test.post.txt", "another.example.post.txt"));

        // The runtime folder must be private to the user, or Qt will not use it.
        if (!QDir().mkpath(runtimeFolder(rig)) || !QDir().mkpath(rig.home.filePath(QStringLiteral("pictures"))))
            return false;
        QFile::setPermissions(
            runtimeFolder(rig), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The picture lies outside the program folder; its name has a space and Cyrillic letters, as
        // pictures on users' desktops do.
        rig.picture = jpegPicture();
        rig.picturePath = rig.home.filePath(QStringLiteral("pictures/снимок с дачи.jpg"));
        QFile file(rig.picturePath);
        return !rig.picture.isEmpty() && file.open(QIODevice::WriteOnly)
            && file.write(rig.picture) == rig.picture.size();
    }

    static QProcessEnvironment environment(const Rig& rig, const QString& display = QString())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // A first start takes the system proxy from these; the scripted server must be reached directly.
        for (const char* name : { "http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY" })
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome(rig));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder(rig));
        if (display.isEmpty()) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.insert(QStringLiteral("DISPLAY"), display);
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
            // No session bus to find: without one, libdbus would start one for the display, forking the
            // program in the middle of its start, and in a sanitizer build a child forked while another
            // thread holds the allocator's lock can hang before it runs anything.
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                QStringLiteral("unix:path=") + rig.home.filePath(QStringLiteral("no-session-bus")));
            // On a display Qt talks to the session bus, and libdbus keeps a buffer to the end of the
            // process; a sanitizer build must not count that as the program's leak.
            const QString suppressions = rig.home.filePath(QStringLiteral("lsan-suppressions.txt"));
            QFile file(suppressions);
            if (file.open(QIODevice::WriteOnly))
                file.write("leak:libdbus-1.so\n");
            const QString lsan = env.value(QStringLiteral("LSAN_OPTIONS"));
            env.insert(QStringLiteral("LSAN_OPTIONS"),
                (lsan.isEmpty() ? QString() : lsan + QLatin1Char(':')) + QStringLiteral("suppressions=")
                    + suppressions);
        }
        return env;
    }

    QProcess* start(const Rig& rig, const QStringList& arguments, const QString& display = QString())
    {
        auto process = std::make_unique<QProcess>();
        process->setProgram(executablePath(rig));
        process->setArguments(arguments);
        process->setProcessEnvironment(environment(rig, display));
        // A folder other than the program folder: the program must not depend on the current directory.
        process->setWorkingDirectory(rig.home.path());
        // The output goes to a file, so reading it for a report consumes nothing and no pipe fills up.
        process->setProcessChannelMode(QProcess::MergedChannels);
        const QString output = rig.home.filePath(QStringLiteral("output-%1.txt").arg(m_processes.size() + 1));
        process->setProperty("outputFile", output);
        process->setStandardOutputFile(output);
        process->start();
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

    static QString report(QProcess* process)
    {
        QString output;
        const QString outputFile = process->property("outputFile").toString();
        QFile file(outputFile);
        if (!outputFile.isEmpty() && file.open(QIODevice::ReadOnly))
            output = QString::fromLocal8Bit(file.readAll());
        else
            output = QString::fromLocal8Bit(process->readAll());
        return QStringLiteral("state %1, exit code %2, output:\n%3")
            .arg(process->state())
            .arg(process->state() == QProcess::NotRunning ? process->exitCode() : -1)
            .arg(output);
    }

    static void kill(QProcess* process)
    {
        if (process->state() == QProcess::NotRunning)
            return;
        process->kill();
        process->waitForFinished(ExitTimeoutMs);
    }

    // The valid unattended line for the test service.
    static QStringList unattended(const Rig& rig, const QStringList& more)
    {
        return QStringList { rig.picturePath, QStringLiteral("-u=") + ServiceName } + more;
    }

private slots:
    void init()
    {
        QVERIFY2(QFileInfo(QStringLiteral(PICTOFERRY_PROGRAM_DIR "/pictoferry")).isExecutable(),
            "build the pictoferry target first");
    }

    void cleanup()
    {
        for (const auto& process : m_processes)
            kill(process.get());
        m_processes.clear();
        for (const auto& helper : m_helpers)
            kill(helper.get());
        m_helpers.clear();
    }

    void relativePictureIsJournaledWithItsFullPath()
    {
        Rig rig;
        QVERIFY(prepare(rig));
        rig.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(rig.server.hostAndPort())));
        // The program starts in the user's home folder and is handed the picture relative to it.
        const QString relative = QDir(rig.home.path()).relativeFilePath(rig.picturePath);
        QVERIFY(QDir::isRelativePath(relative));
        QProcess* program = start(rig, { relative, QStringLiteral("-u=") + ServiceName, QStringLiteral("-e") });
        QTRY_VERIFY2_WITH_TIMEOUT(program->state() == QProcess::NotRunning, qPrintable(report(program)), ExitTimeoutMs);
        QVERIFY2(
            program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0, qPrintable(report(program)));
        const QByteArray records = journal(rig);
        QCOMPARE(records.count("\r\n"), 1);
        QCOMPARE(QString::fromUtf8(records).section(QLatin1Char('\t'), 0, 0), rig.picturePath);
    }

    void uploadWithExitEndsTheProgram_data()
    {
        QTest::addColumn<bool>("sessionCookie");
        QTest::newRow("plain upload") << false;
        QTest::newRow("upload with a session cookie") << true;
    }

    void uploadWithExitEndsTheProgram()
    {
        QFETCH(bool, sessionCookie);
        Rig rig;
        QVERIFY(prepare(rig));
        const QByteArray host = rig.server.hostAndPort();
        if (sessionCookie) {
            // The cookie page on the first connection, then the upload on a second one that sends it.
            rig.program.writeFile(QStringLiteral("data/pictoferry.test.serv"),
                "SERVER:" + host
                    + "\r\nGETCOOKIES:/session\r\nCONNECT:\r\nSEND:pictoferry.test.post.txt\r\n"
                      "LINK:id=\"image\" href=\"http://*\"\r\nTHLINK:id=\"preview\" href=\"http://*\"\r\nEND:\r\n");
            rig.program.writeFile(QStringLiteral("data/pictoferry.test.post.txt"),
                rig.program.readFile(QStringLiteral("data/pictoferry.test.post.txt"))
                    .replace("Connection: Close", "Cookie: {COOKIES}\r\nConnection: Close"));
            rig.server.enqueue(ScriptedHttpServer::reply(ScriptedHttpServer::httpReply(
                "200 OK", "<html></html>", "Set-Cookie: sid=e2e-1729; expires=Wed, 01-Jan-2031 00:00:00 GMT\r\n")));
        }
        rig.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(host)));

        QProcess* program = start(rig, unattended(rig, { QStringLiteral("-c=3"), QStringLiteral("-e") }));
        QTRY_VERIFY2_WITH_TIMEOUT(program->state() == QProcess::NotRunning, qPrintable(report(program)), ExitTimeoutMs);
        QVERIFY2(
            program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0, qPrintable(report(program)));

        // What the server received: one upload to the service named on the command line, carrying
        // exactly the picture's bytes.
        const int uploadIndex = sessionCookie ? 1 : 0;
        QCOMPARE(rig.server.connectionCount(), uploadIndex + 1);
        const Request upload(rig.server.requests().at(uploadIndex));
        QVERIFY2(upload.head.startsWith("POST /upload HTTP/1.0\r\n"), upload.head.constData());
        QCOMPARE(upload.header("Host"), host);
        QCOMPARE(upload.header("Content-Length"), QByteArray::number(upload.body.size()));
        QVERIFY(upload.body.contains("filename=\"" + rig.picturePath.toUtf8() + "\"\r\nContent-Type: image/jpeg"));
        QVERIFY(upload.filePart() == rig.picture);
        if (sessionCookie) {
            QVERIFY2(rig.server.requests().at(0).startsWith("GET /session HTTP/1.0\r\n"),
                rig.server.requests().at(0).constData());
            QCOMPARE(upload.header("Cookie"), QByteArray("sid=e2e-1729"));
            QCOMPARE(ProfileFile::ReadValue(rig.program.filePath(QStringLiteral("cookies.ini")), "Main", host),
                QByteArray("sid=e2e-1729"));
        } else {
            QVERIFY(!QFile::exists(rig.program.filePath(QStringLiteral("cookies.ini"))));
        }

        // One journal record: source, image link, preview link, date, time.
        const QByteArray records = journal(rig);
        QCOMPARE(records.count("\r\n"), 1);
        QVERIFY(records.endsWith("\r\n"));
        const QStringList fields = QString::fromUtf8(records.chopped(2)).split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields.at(0), rig.picturePath);
        QCOMPARE(fields.at(1), imageLinkOf(host));
        QCOMPARE(fields.at(2), previewLinkOf(host));

        // The settings: the service of the upload and the link type of the command line were stored.
        // Its place among the services, the shipped custom-uploader files included.
        const QStringList services = ServerCatalogue::BuildServerList(rig.program.path());
        QCOMPARE(optionsValue(rig, "Main", "LastServer"), QByteArray::number(services.indexOf(ServiceName)));
        QVERIFY(services.indexOf(ServiceName) > 0);
        QCOMPARE(optionsValue(rig, "Main", "LinksType"), QByteArray("2"));
        QCOMPARE(QDir(rig.program.filePath(QStringLiteral("tmp"))).entryList(QDir::Files), QStringList());
        // The first start registered the menu entries in the test's own desktop folder.
        QVERIFY(QFile::exists(dataHome(rig) + QStringLiteral("/applications/pictoferry-jpegfile.desktop")));
    }

    // An https profile: the program trusts the test's CA through SSL_CERT_FILE, uploads over TLS and keeps
    // the complete links of the reply.
    void httpsUploadIsJournaled()
    {
        if (TestCertificates::program().isEmpty())
            QSKIP("openssl is not installed (Debian package openssl); the https upload is not tested");
        TestCertificates certificates;
        QVERIFY2(certificates.make(), qPrintable(certificates.errorText()));
        Rig rig;
        QVERIFY(prepare(rig));
        const QByteArray plainHost = rig.server.hostAndPort();
        QVERIFY(rig.server.startTls(certificates.serverConfiguration(TestCertificates::Server::Valid)));
        const QByteArray host = rig.server.hostAndPort();
        rig.program.writeFile(QStringLiteral("data/pictoferry.test.serv"),
            "SERVER:https://" + host
                + "\r\nSEND:pictoferry.test.post.txt\r\nLINK:id=\"image\" href=\"*\"\r\n"
                  "THLINK:id=\"preview\" href=\"*\"\r\nEND:\r\n");
        rig.program.writeFile(QStringLiteral("data/pictoferry.test.post.txt"),
            rig.program.readFile(QStringLiteral("data/pictoferry.test.post.txt")).replace(plainHost, host));
        rig.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(host).replace("http://", "https://")));

        qputenv("SSL_CERT_FILE", certificates.caFile().toLocal8Bit());
        QProcess* program = start(rig, unattended(rig, { QStringLiteral("-e") }));
        qunsetenv("SSL_CERT_FILE");
        QTRY_VERIFY2_WITH_TIMEOUT(program->state() == QProcess::NotRunning, qPrintable(report(program)), ExitTimeoutMs);
        QVERIFY2(
            program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0, qPrintable(report(program)));

        QCOMPARE(rig.server.connectionCount(), 1);
        const Request upload(rig.server.requests().first());
        QVERIFY2(upload.head.startsWith("POST /upload HTTP/1.0\r\n"), upload.head.constData());
        QCOMPARE(upload.header("Host"), host);
        QCOMPARE(upload.header("Content-Length"), QByteArray::number(upload.body.size()));
        QVERIFY(upload.filePart() == rig.picture);
        const QStringList fields = QString::fromUtf8(journal(rig).chopped(2)).split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields.at(1), QStringLiteral("https") + imageLinkOf(host).mid(4));
        QCOMPARE(fields.at(2), QStringLiteral("https") + previewLinkOf(host).mid(4));
    }

    void uploadWithoutExitStaysOpenUntilClosed()
    {
        Rig rig;
        QVERIFY(prepare(rig));
        const QByteArray host = rig.server.hostAndPort();
        rig.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(host)));

        QProcess* program = start(rig, unattended(rig, { QStringLiteral("-c=5") }));
        QTRY_VERIFY2_WITH_TIMEOUT(!journal(rig).isEmpty() || program->state() == QProcess::NotRunning,
            qPrintable(report(program)), StartTimeoutMs);
        QCOMPARE(journal(rig).count("\r\n"), 1);
        // The follow-up chose the fifth link type; then the program keeps running.
        QTRY_COMPARE_WITH_TIMEOUT(optionsValue(rig, "Main", "LinksType"), QByteArray("4"), StartTimeoutMs);
        QTest::qWait(SettleMs);
        QVERIFY2(program->state() == QProcess::Running, qPrintable(report(program)));
        QCOMPARE(rig.server.connectionCount(), 1);

        // A termination request is a normal close: the scratch folder is emptied and the exit code is 0.
        rig.program.writeFile(QStringLiteral("tmp/capture.png"), "scratch");
        program->terminate();
        QTRY_VERIFY2_WITH_TIMEOUT(program->state() == QProcess::NotRunning, qPrintable(report(program)), ExitTimeoutMs);
        QVERIFY2(
            program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0, qPrintable(report(program)));
        QVERIFY(!QFile::exists(rig.program.filePath(QStringLiteral("tmp/capture.png"))));
        QCOMPARE(journal(rig).count("\r\n"), 1);
    }

    void uploadWithoutLinkNeitherEndsNorRecords()
    {
        Rig rig;
        QVERIFY(prepare(rig));
        rig.server.enqueue(ScriptedHttpServer::reply(
            ScriptedHttpServer::httpReply("200 OK", "<html><body>Service closed for maintenance</body></html>")));

        QProcess* program = start(rig, unattended(rig, { QStringLiteral("-c=4"), QStringLiteral("-e") }));
        // The upload was sent and answered; the program then fails the upload with its message box.
        QTRY_VERIFY2_WITH_TIMEOUT(rig.server.closedCount() == 1 || program->state() == QProcess::NotRunning,
            qPrintable(report(program)), StartTimeoutMs);
        QCOMPARE(rig.server.connectionCount(), 1);
        QVERIFY(Request(rig.server.requests().at(0)).filePart() == rig.picture);
        QTest::qWait(SettleMs);
        QVERIFY2(program->state() == QProcess::Running, qPrintable(report(program)));
        QVERIFY(!QFile::exists(rig.program.filePath(QStringLiteral("journal.txt"))));
        QCOMPARE(rig.server.connectionCount(), 1);
        // Nothing of the follow-up ran: the link type of the command line was not selected.
        QCOMPARE(optionsValue(rig, "Main", "LinksType"), QByteArray("0"));
    }

    void wrongCommandLineUploadsNothing_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "PICTURE" stands for the picture's path
        QTest::addColumn<bool>("commandLineSetting");
        const QString picture = QStringLiteral("PICTURE");
        QTest::newRow("service not in the list") << QStringList { picture, QStringLiteral("-u=nosuch.example"),
            QStringLiteral("-c=3"), QStringLiteral("-e") }
                                                 << true;
        QTest::newRow("link type past the offered ones") << QStringList { picture, QStringLiteral("-u=pictoferry.test"),
            QStringLiteral("-c=7"), QStringLiteral("-e") }
                                                         << true;
        QTest::newRow("picture missing") << QStringList { QStringLiteral("/nonexistent/folder/pic.jpg"),
            QStringLiteral("-u=pictoferry.test"), QStringLiteral("-e") }
                                         << true;
        QTest::newRow("no service named")
            << QStringList { picture, QStringLiteral("-c=3"), QStringLiteral("-e") } << true;
        QTest::newRow("command line switched off")
            << QStringList { picture, QStringLiteral("-u=pictoferry.test"), QStringLiteral("-e") } << false;
    }

    void wrongCommandLineUploadsNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, commandLineSetting);
        Rig rig;
        QVERIFY(prepare(rig));
        rig.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(rig.server.hostAndPort())));
        if (!commandLineSetting)
            QVERIFY(ProfileFile::WriteValue(
                rig.program.filePath(QStringLiteral("options.ini")), "Options", "CommandLine", "False"));
        arguments.replaceInStrings(QStringLiteral("PICTURE"), rig.picturePath);

        QProcess* program = start(rig, arguments);
        // The scratch folder is prepared right before the command line is read; from there on nothing may
        // reach the server, and the program stays open (idle, or with its error message).
        QTRY_VERIFY2_WITH_TIMEOUT(scratchFolderReady(rig) || program->state() == QProcess::NotRunning,
            qPrintable(report(program)), StartTimeoutMs);
        QTest::qWait(SettleMs);
        QVERIFY2(program->state() == QProcess::Running, qPrintable(report(program)));
        QCOMPARE(rig.server.connectionCount(), 0);
        QVERIFY(!QFile::exists(rig.program.filePath(QStringLiteral("journal.txt"))));
        QVERIFY(optionsValue(rig, "Main", "LastServer").isEmpty());
    }

    void secondInstanceLeavesTheFirstAlone()
    {
        Rig rig;
        QVERIFY(prepare(rig));
        rig.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(rig.server.hostAndPort())));

        QProcess* first = start(rig, {});
        QTRY_VERIFY2_WITH_TIMEOUT(scratchFolderReady(rig) || first->state() == QProcess::NotRunning,
            qPrintable(report(first)), StartTimeoutMs);
        QVERIFY2(first->state() == QProcess::Running, qPrintable(report(first)));
        rig.program.writeFile(QStringLiteral("tmp/capture.png"), "scratch of the first");

        // The second start in the same folder stops at its notice ("Программа уже запущена!"), which waits
        // for a click that never comes here; it must not have run any of the start-up: no upload, the
        // first's scratch file still there.
        QProcess* second = start(rig, unattended(rig, { QStringLiteral("-e") }));
        QTRY_VERIFY2_WITH_TIMEOUT(second->state() != QProcess::Starting, qPrintable(report(second)), StartTimeoutMs);
        QTest::qWait(SettleMs);
        QCOMPARE(rig.server.connectionCount(), 0);
        QCOMPARE(rig.program.readFile(QStringLiteral("tmp/capture.png")), QByteArray("scratch of the first"));
        QVERIFY(!QFile::exists(rig.program.filePath(QStringLiteral("journal.txt"))));
        kill(second);

        // The first runs on and still closes normally.
        QVERIFY2(first->state() == QProcess::Running, qPrintable(report(first)));
        first->terminate();
        QTRY_VERIFY2_WITH_TIMEOUT(first->state() == QProcess::NotRunning, qPrintable(report(first)), ExitTimeoutMs);
        QVERIFY2(first->exitStatus() == QProcess::NormalExit && first->exitCode() == 0, qPrintable(report(first)));
        QVERIFY(!QFile::exists(rig.program.filePath(QStringLiteral("tmp/capture.png"))));
    }

    void linkReachesTheClipboardOfTheDisplay()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
        if (xvfb.isEmpty() || xclip.isEmpty())
            QSKIP("needs Xvfb and xclip");

        // A display of our own; Xvfb picks a free display number and writes it to its standard output.
        auto server = std::make_unique<QProcess>();
        QProcess* display = server.get();
        m_helpers.push_back(std::move(server));
        display->setStandardErrorFile(QProcess::nullDevice());
        display->start(xvfb,
            { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24") });
        QTRY_VERIFY_WITH_TIMEOUT(display->canReadLine() || display->state() == QProcess::NotRunning, StartTimeoutMs);
        const QByteArray number = display->readLine().trimmed();
        QVERIFY2(!number.isEmpty(), qPrintable(report(display)));
        const QString displayName = QStringLiteral(":") + QString::fromLatin1(number);

        Rig rig;
        QVERIFY(prepare(rig));
        const QByteArray host = rig.server.hostAndPort();
        rig.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(host)));
        QProcess* program = start(rig, unattended(rig, { QStringLiteral("-c=6") }), displayName);
        QTRY_VERIFY2_WITH_TIMEOUT(!journal(rig).isEmpty() || program->state() == QProcess::NotRunning,
            qPrintable(report(program)), StartTimeoutMs);

        const QString expected
            = QStringLiteral("[url=\"%1\"][img]%2[/img][/url]").arg(imageLinkOf(host), previewLinkOf(host));
        QString clipboard;
        QProcess reader;
        QProcessEnvironment readerEnvironment = QProcessEnvironment::systemEnvironment();
        readerEnvironment.insert(QStringLiteral("DISPLAY"), displayName);
        reader.setProcessEnvironment(readerEnvironment);
        // xclip asks the program for the text, so the program's event loop answers while this waits.
        QTRY_VERIFY2_WITH_TIMEOUT(
            [&] {
                reader.start(
                    xclip, { QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard") });
                if (!reader.waitForFinished(ExitTimeoutMs))
                    reader.kill();
                reader.waitForFinished();
                clipboard = QString::fromUtf8(reader.readAllStandardOutput());
                return clipboard == expected;
            }(),
            qPrintable(QStringLiteral("clipboard holds \"%1\"; %2").arg(clipboard, report(program))), StartTimeoutMs);
        QVERIFY2(program->state() == QProcess::Running, qPrintable(report(program)));
        program->terminate();
        QTRY_VERIFY2_WITH_TIMEOUT(program->state() == QProcess::NotRunning, qPrintable(report(program)), ExitTimeoutMs);
        QVERIFY2(
            program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0, qPrintable(report(program)));

        // With -e the program ends by itself on a display too, owning the clipboard as it quits.
        Rig another;
        QVERIFY(prepare(another));
        another.server.enqueue(ScriptedHttpServer::reply(replyWithLinks(another.server.hostAndPort())));
        QProcess* ending
            = start(another, unattended(another, { QStringLiteral("-c=1"), QStringLiteral("-e") }), displayName);
        QTRY_VERIFY2_WITH_TIMEOUT(ending->state() == QProcess::NotRunning, qPrintable(report(ending)), ExitTimeoutMs);
        QVERIFY2(ending->exitStatus() == QProcess::NormalExit && ending->exitCode() == 0, qPrintable(report(ending)));
        QCOMPARE(journal(another).count("\r\n"), 1);
    }
};

QTEST_MAIN(TestCommandLineEndToEnd)
#include "tst_commandline_e2e.moc"
