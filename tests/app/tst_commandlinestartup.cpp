// The main window started with a command line: the start-up timer, the automatic start with its choice
// of picture and service, and the follow-up at the end of an upload (link type, clipboard, closing).

#include "app/MainWindow.h"
#include "engine/Uploader.h"
#include "platform/ProfileFile.h"
#include "support/FindControl.h"
#include "support/MessageRecorder.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempProgramFolder.h"
#include "support/TestPictures.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace
{

const QString ClipboardBefore = QStringLiteral("clipboard before the upload");
constexpr int UploadTimeoutMs = 30000;

QByteArray replyWithLinks(const QByteArray& host, int number)
{
    const QByteArray name = QByteArray::number(number);
    return ScriptedHttpServer::httpReply("200 OK",
        "<a id=\"image\" href=\"http://" + host + "/i/" + name + ".jpg\">image</a>\n<a id=\"preview\" href=\"http://"
            + host + "/i/" + name + "s.jpg\">preview</a>\n");
}

QString imageLink(const QByteArray& host, int number)
{
    return QStringLiteral("http://%1/i/%2.jpg").arg(QString::fromLatin1(host)).arg(number);
}

QString previewLink(const QByteArray& host, int number)
{
    return QStringLiteral("http://%1/i/%2s.jpg").arg(QString::fromLatin1(host)).arg(number);
}

// A program folder with two services on the scripted server, "alpha.example" (first in the list) and
// "beta.example"; each posts to a path named after itself.
void writeProfiles(const TempProgramFolder& folder, const QByteArray& host)
{
    for (const QByteArray& name : { QByteArray("alpha.example"), QByteArray("beta.example") }) {
        folder.writeFile(QStringLiteral("data/") + QString::fromLatin1(name) + QStringLiteral(".serv"),
            "SERVER:" + host + "\r\nSEND:" + name
                + ".post.txt\r\nLINK:id=\"image\" href=\"http://*\"\r\n"
                  "THLINK:id=\"preview\" href=\"http://*\"\r\nEND:\r\n");
        folder.writeFile(QStringLiteral("data/") + QString::fromLatin1(name) + QStringLiteral(".post.txt"),
            "POST /" + name + " HTTP/1.0\r\nHost: " + host + "\r\nContent-Length: {LEN}\r\n\r\n{IMGDATA}");
    }
}

} // namespace

class TestCommandLineStartUp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_desktop;

    static QString clipboardText() { return QGuiApplication::clipboard()->text(); }

    static QByteArray journal(const TempProgramFolder& folder)
    {
        return folder.readFile(QStringLiteral("journal.txt"));
    }

    static QString picture(const TempProgramFolder& folder)
    {
        const QString path = folder.filePath(QStringLiteral("pictures/снимок с дачи.jpg"));
        if (!QFile::exists(path))
            folder.writeFile(
                QStringLiteral("pictures/снимок с дачи.jpg"), JpegBytes(QSize(40, 30), QColor(200, 80, 40)));
        return path;
    }

    // The command-line text as the program builds it from its arguments: the picture quoted, then the
    // options.
    static QString fullForm(const QString& path, const QString& options)
    {
        return QLatin1Char('"') + path + QLatin1Char('"')
            + (options.isEmpty() ? QString() : QLatin1Char(' ') + options);
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", m_desktop.path().toUtf8());
        qunsetenv("http_proxy");
        qunsetenv("HTTP_PROXY");
        // The window closed by an unattended upload must not end the test.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void init() { QGuiApplication::clipboard()->setText(ClipboardBefore); }

    void pathAloneOpensThePictureWithoutUpload_data()
    {
        // "PICTURE" stands for the picture's path, "FOLDER" for the folder that holds it.
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("commandLineSetting");
        QTest::addColumn<bool>("opened");
        QTest::newRow("quoted path, command line on") << "\"PICTURE\"" << true << true;
        QTest::newRow("quoted path, command line off") << "\"PICTURE\"" << false << true;
        QTest::newRow("unquoted path") << "PICTURE" << true << true;
        QTest::newRow("unquoted path of no file") << "PICTURE.missing" << true << false;
        QTest::newRow("quoted path of no file") << "\"PICTURE.missing\"" << true << false;
        QTest::newRow("folder of the picture") << "\"FOLDER\"" << true << false;
    }

    void pathAloneOpensThePictureWithoutUpload()
    {
        QFETCH(QString, commandLine);
        QFETCH(bool, commandLineSetting);
        QFETCH(bool, opened);
        TempProgramFolder folder;
        ScriptedHttpServer server;
        QVERIFY(server.start());
        writeProfiles(folder, server.hostAndPort());
        if (!commandLineSetting)
            QVERIFY(ProfileFile::WriteValue(
                folder.filePath(QStringLiteral("options.ini")), "Options", "CommandLine", "False"));
        const QString path = picture(folder);
        commandLine.replace(QStringLiteral("PICTURE"), path);
        commandLine.replace(QStringLiteral("FOLDER"), QFileInfo(path).path());

        MessageRecorder messages;
        MainWindow window(folder.path(), commandLine);
        window.StartUp();
        window.show();
        QCOMPARE(FindControl<QTimer>(window, "Timer1")->isActive(), opened);
        QVERIFY(!window.commandLine().CmdAccepted);
        if (opened) {
            QTRY_COMPARE(window.CurrentImagePath(), path);
            QVERIFY(FindControl<QComboBox>(window, "Servers")->isEnabled());
            QCOMPARE(FindControl<QLabel>(window, "st")->text(), path);
        } else {
            QCOMPARE(window.CurrentImagePath(), QString());
        }
        QTest::qWait(50);
        QVERIFY(!window.engine()->isRunning());
        QCOMPARE(server.connectionCount(), 0);
        // A quoted path with the command line on is parsed too; it names no service, which is no error.
        QCOMPARE(messages.messages().size(), 0);
    }

    void acceptedLineUploadsAndFollowsUp_data()
    {
        QTest::addColumn<QByteArray>("lastServer");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QByteArray>("requestLine");
        QTest::addColumn<int>("linkType"); // position selected afterwards, -1: as at start-up
        QTest::addColumn<QString>("clipboard"); // "IMG"/"TH" stand for the links; empty: left alone
        QTest::addColumn<bool>("closes");
        QTest::newRow("second service, HTML, exit")
            << QByteArray("0") << "-u=beta.example -c=3 -e" << QByteArray("POST /beta.example") << 2
            << "<img src=\"IMG\">" << true;
        QTest::newRow("first service while the second was last used")
            << QByteArray("1") << "-u=alpha.example -c=1" << QByteArray("POST /alpha.example") << 0 << "IMG" << false;
        QTest::newRow("service already selected, BB-code with preview")
            << QByteArray("1") << "-u=beta.example -c=6" << QByteArray("POST /beta.example") << 5
            << "[url=\"IMG\"][img]TH[/img][/url]" << false;
        QTest::newRow("exit without link type copies nothing")
            << QByteArray("0") << "-u=beta.example -e" << QByteArray("POST /beta.example") << -1 << QString() << true;
    }

    void acceptedLineUploadsAndFollowsUp()
    {
        QFETCH(QByteArray, lastServer);
        QFETCH(QString, options);
        QFETCH(QByteArray, requestLine);
        QFETCH(int, linkType);
        QFETCH(QString, clipboard);
        QFETCH(bool, closes);
        TempProgramFolder folder;
        ScriptedHttpServer server;
        QVERIFY(server.start());
        const QByteArray host = server.hostAndPort();
        writeProfiles(folder, host);
        server.enqueue(ScriptedHttpServer::reply(replyWithLinks(host, 1)));
        QVERIFY(
            ProfileFile::WriteValue(folder.filePath(QStringLiteral("options.ini")), "Main", "LastServer", lastServer));
        // The link type of the last run is the fourth; the command line's choice replaces it.
        QVERIFY(ProfileFile::WriteValue(folder.filePath(QStringLiteral("options.ini")), "Main", "LinksType", "3"));
        const QString path = picture(folder);

        MessageRecorder messages;
        MainWindow window(folder.path(), fullForm(path, options));
        window.StartUp();
        window.show();
        QVERIFY(window.commandLine().CmdAccepted);
        QVERIFY(FindControl<QTimer>(window, "Timer1")->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(journal(folder).count("\r\n"), 1, UploadTimeoutMs);

        QCOMPARE(server.connectionCount(), 1);
        QVERIFY2(
            server.requests().at(0).startsWith(requestLine + " HTTP/1.0\r\n"), server.requests().at(0).constData());
        QVERIFY(server.requests().at(0).endsWith(folder.readFile(QStringLiteral("pictures/снимок с дачи.jpg"))));
        QVERIFY(journal(folder).startsWith(path.toUtf8() + '\t' + imageLink(host, 1).toUtf8() + '\t'));
        const auto* servers = FindControl<QComboBox>(window, "Servers");
        QCOMPARE(servers->currentText(), QString::fromLatin1(requestLine.mid(6)));
        QCOMPARE(ProfileFile::ReadValue(folder.filePath(QStringLiteral("options.ini")), "Main", "LastServer"),
            QByteArray::number(servers->currentIndex()));

        const QString expected = QString(clipboard)
                                     .replace(QStringLiteral("IMG"), imageLink(host, 1))
                                     .replace(QStringLiteral("TH"), previewLink(host, 1));
        const auto* linksType = FindControl<QComboBox>(window, "LinksType");
        QCOMPARE(linksType->currentIndex(), linkType < 0 ? 3 : linkType);
        if (clipboard.isEmpty()) {
            QCOMPARE(clipboardText(), ClipboardBefore);
        } else {
            QCOMPARE(clipboardText(), expected);
            QCOMPARE(FindControl<QLineEdit>(window, "Text1")->text(), expected);
        }
        if (closes)
            QTRY_VERIFY(!window.isVisible());
        else {
            QTest::qWait(50);
            QVERIFY(window.isVisible());
        }
        QCOMPARE(messages.messages().size(), 0);
    }

    void laterUploadByHandRepeatsTheFollowUp()
    {
        TempProgramFolder folder;
        ScriptedHttpServer server;
        QVERIFY(server.start());
        const QByteArray host = server.hostAndPort();
        writeProfiles(folder, host);
        server.enqueue(ScriptedHttpServer::reply(replyWithLinks(host, 1)));
        server.enqueue(ScriptedHttpServer::reply(replyWithLinks(host, 2)));

        MessageRecorder messages;
        MainWindow window(folder.path(), fullForm(picture(folder), QStringLiteral("-u=alpha.example -c=2")));
        window.StartUp();
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(journal(folder).count("\r\n"), 1, UploadTimeoutMs);
        QCOMPARE(clipboardText(), previewLink(host, 1));

        // The user picks another link type and uploads again by hand.
        auto* linksType = FindControl<QComboBox>(window, "LinksType");
        linksType->setCurrentIndex(0);
        QCOMPARE(FindControl<QLineEdit>(window, "Text1")->text(), imageLink(host, 1));
        QGuiApplication::clipboard()->setText(ClipboardBefore);
        FindControl<QPushButton>(window, "Command2")->click();
        QTRY_COMPARE_WITH_TIMEOUT(journal(folder).count("\r\n"), 2, UploadTimeoutMs);
        QCOMPARE(server.connectionCount(), 2);
        QCOMPARE(linksType->currentIndex(), 1);
        QCOMPARE(clipboardText(), previewLink(host, 2));
        QVERIFY(window.isVisible());
        QCOMPARE(messages.messages().size(), 0);
    }

    void firstOfferedLinkTypeWhenSlotOneIsDisabled()
    {
        TempProgramFolder folder;
        ScriptedHttpServer server;
        QVERIFY(server.start());
        const QByteArray host = server.hostAndPort();
        writeProfiles(folder, host);
        server.enqueue(ScriptedHttpServer::reply(replyWithLinks(host, 1)));
        folder.writeFile(QStringLiteral("linkTypes.ini"),
            "[Type1]\r\nEnabled=False\r\nTitle=Прямая ссылка\r\nLink=IMGLINK\r\n"
            "[Type2]\r\nEnabled=True\r\nTitle=Превью\r\nLink=THLINK\r\n"
            "[Type3]\r\nEnabled=True\r\nTitle=BB\r\nLink=[img]IMGLINK[/img]\r\n");

        MessageRecorder messages;
        MainWindow window(folder.path(), fullForm(picture(folder), QStringLiteral("-u=alpha.example -c=1 -e")));
        window.StartUp();
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(journal(folder).count("\r\n"), 1, UploadTimeoutMs);
        QCOMPARE(clipboardText(), previewLink(host, 1));
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(messages.messages().size(), 0);
    }

    void failedUploadNeitherCopiesNorCloses()
    {
        TempProgramFolder folder;
        ScriptedHttpServer server;
        QVERIFY(server.start());
        writeProfiles(folder, server.hostAndPort());
        server.enqueue(
            ScriptedHttpServer::reply(ScriptedHttpServer::httpReply("200 OK", "<p>Upload limit reached</p>")));

        MessageRecorder messages;
        MainWindow window(folder.path(), fullForm(picture(folder), QStringLiteral("-u=alpha.example -c=3 -e")));
        window.StartUp();
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(messages.messages().size(), 1, UploadTimeoutMs);
        QCOMPARE(messages.messages().first().title, QStringLiteral("Ошибка загрузки"));
        QCOMPARE(messages.messages().first().icon, Platform::MessageIcon::Error);
        QTest::qWait(50);
        QVERIFY(window.isVisible());
        QCOMPARE(clipboardText(), ClipboardBefore);
        QCOMPARE(FindControl<QComboBox>(window, "LinksType")->currentIndex(), 0);
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("journal.txt"))));
    }

    void wrongLineShowsOneMessageAndStaysIdle_data()
    {
        QTest::addColumn<QString>("commandLine"); // "PICTURE" stands for the picture's path
        QTest::addColumn<QString>("errors");
        QTest::newRow("missing picture, unknown service, link type past the offered")
            << "\"PICTURE.missing\" -u=gamma.example -c=7 -e"
            << "- Файл PICTURE.missing не найден.\r\n- Указанного сервера gamma.example нет в списке.\r\n"
               "- Указанного типа ссылки (7) нет в списке.\r\n";
        QTest::newRow("service of another case") << "\"PICTURE\" -u=Alpha.example"
                                                 << "- Указанного сервера Alpha.example нет в списке.\r\n";
        QTest::newRow("profile without .serv is no service")
            << "\"PICTURE\" -u=alpha.example.post.txt -c=0"
            << "- Указанного сервера alpha.example.post.txt нет в списке.\r\n- Указанного типа ссылки (0) нет в "
               "списке.\r\n";
    }

    void wrongLineShowsOneMessageAndStaysIdle()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, errors);
        TempProgramFolder folder;
        ScriptedHttpServer server;
        QVERIFY(server.start());
        writeProfiles(folder, server.hostAndPort());
        const QString path = picture(folder);
        commandLine.replace(QStringLiteral("PICTURE"), path);
        errors.replace(QStringLiteral("PICTURE"), path);

        MessageRecorder messages;
        MainWindow window(folder.path(), commandLine);
        window.StartUp();
        window.show();
        QCOMPARE(messages.messages().size(), 1);
        QCOMPARE(
            messages.messages().first().text, QStringLiteral("Ошибка синтаксиса командной строки:\r\n\r\n") + errors);
        QCOMPARE(messages.messages().first().title, QStringLiteral("Ошибка"));
        QCOMPARE(messages.messages().first().icon, Platform::MessageIcon::Error);
        QVERIFY(!window.commandLine().CmdAccepted);
        QVERIFY(!FindControl<QTimer>(window, "Timer1")->isActive());
        QTest::qWait(50);
        QCOMPARE(window.CurrentImagePath(), QString());
        QVERIFY(!window.engine()->isRunning());
        QCOMPARE(server.connectionCount(), 0);
        QCOMPARE(messages.messages().size(), 1);
    }

    void acceptedLineWithAFileThatIsNoPicture()
    {
        TempProgramFolder folder;
        ScriptedHttpServer server;
        QVERIFY(server.start());
        writeProfiles(folder, server.hostAndPort());
        folder.writeFile(QStringLiteral("pictures/notes.jpg"), "these are notes, not a picture");

        MessageRecorder messages;
        MainWindow window(folder.path(),
            fullForm(folder.filePath(QStringLiteral("pictures/notes.jpg")), QStringLiteral("-u=alpha.example -e")));
        window.StartUp();
        window.show();
        QVERIFY(window.commandLine().CmdAccepted);
        QTRY_VERIFY(!messages.messages().isEmpty());
        QCOMPARE(messages.messages().first().icon, Platform::MessageIcon::Error);
        QVERIFY(messages.messages().first().text.contains(folder.filePath(QStringLiteral("pictures/notes.jpg"))));
        QTest::qWait(50);
        // The file cannot be shown, so nothing is uploaded and the program stays open.
        QCOMPARE(server.connectionCount(), 0);
        QVERIFY(!window.engine()->isRunning());
        QVERIFY(window.isVisible());
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("journal.txt"))));
        // Only the open error: no second box asking for a picture, and the service choice is not stored.
        QCOMPARE(messages.messages().size(), 1);
        QVERIFY(!folder.readFile(QStringLiteral("options.ini")).contains("LastServer"));
    }
};

QTEST_MAIN(TestCommandLineStartUp)
#include "tst_commandlinestartup.moc"
