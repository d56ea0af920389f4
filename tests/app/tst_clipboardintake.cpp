#include "app/MainWindow.h"
#include "image/ui/ClipboardIntake.h"
#include "image/ui/InBuffer.h"
#include "support/DropFile.h"
#include "support/FindControl.h"
#include "support/MessageRecorder.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempProgramFolder.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace
{

constexpr int TimeoutMs = 60000;

QImage clipboardPicture()
{
    QImage image(160, 90, QImage::Format_RGB32);
    image.fill(QColor(0x30, 0x70, 0xb0));
    for (int x = 0; x < 160; ++x)
        image.setPixelColor(x, x % 90, Qt::yellow);
    return image;
}

// While the window's exec() runs, waits until the clipboard window has measured, then acts on it.
// Gives up (closing the window) after the timeout, so a broken window cannot hang the test.
void whenMeasured(const std::function<void(InBuffer&)>& act, bool* acted)
{
    auto* poll = new QTimer;
    poll->setInterval(20);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, act, acted, ticks] {
        auto* window = qobject_cast<InBuffer*>(QApplication::activeModalWidget());
        const bool ready = window && FindControl<QPushButton>(*window, "XpB1")->isEnabled();
        if (ready || ++*ticks > TimeoutMs / 20) {
            poll->stop();
            poll->deleteLater();
            if (ready) {
                *acted = true;
                act(*window);
            } else if (window) {
                window->reject();
            }
        }
    });
    poll->start();
}

} // namespace

class TestClipboardIntake : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_desktop;

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", m_desktop.path().toUtf8());
        qunsetenv("http_proxy");
        qunsetenv("HTTP_PROXY");
    }

    void noPictureOnTheClipboardGivesTheBox_data()
    {
        QTest::addColumn<bool>("shortcut");
        QTest::newRow("button") << false;
        QTest::newRow("Ctrl+V") << true;
    }

    void noPictureOnTheClipboardGivesTheBox()
    {
        QFETCH(bool, shortcut);
        TempProgramFolder folder;
        MainWindow window(folder.path(), QString());
        window.StartUp();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
        MessageRecorder messages;
        if (shortcut)
            QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
        else
            FindControl<QPushButton>(window, "XpB1")->click();
        QCOMPARE(messages.messages().size(), 1);
        QCOMPARE(messages.messages().first().text, QStringLiteral("В буфере обмена не содержится графических данных"));
        QCOMPARE(messages.messages().first().title, QStringLiteral("Внимание!"));
        QCOMPARE(messages.messages().first().icon, Platform::MessageIcon::Information);
    }

    // A dropped file becomes the current image; the clipboard window's Cancel then changes nothing.
    void cancelLeavesTheCurrentImage()
    {
        TempProgramFolder folder;
        MainWindow window(folder.path(), QString());
        window.StartUp();
        const QString file = folder.filePath(QStringLiteral("photo.jpg"));
        QVERIFY(clipboardPicture().save(file));
        QVERIFY(DropFile(window, file).enterAccepted);
        QCOMPARE(window.CurrentImagePath(), file);

        QGuiApplication::clipboard()->setImage(clipboardPicture());
        bool acted = false;
        whenMeasured([](InBuffer& inBuffer) { FindControl<QPushButton>(inBuffer, "Command3")->click(); }, &acted);
        FindControl<QPushButton>(window, "XpB1")->click();
        QVERIFY(acted);
        QCOMPARE(window.CurrentImagePath(), file);
        QCOMPARE(FindControl<QLabel>(window, "Ftype")->text(), QStringLiteral("JPG"));
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("tmp/tmp.png"))));
    }

    // OK makes the chosen variant the current image; its upload is journaled as "Clipboard".
    void clipboardUploadIsJournaledAsClipboard()
    {
        ScriptedHttpServer server;
        QVERIFY(server.start());
        server.enqueue(ScriptedHttpServer::reply(ScriptedHttpServer::httpReply(
            "200 OK", "<a id=\"image\" href=\"http://" + server.hostAndPort() + "/i/1.png\">x</a>")));
        TempProgramFolder folder;
        folder.writeFile(QStringLiteral("data/local.test.serv"),
            "SERVER:" + server.hostAndPort()
                + "\r\nSEND:local.test.txt\r\nLINK:id=\"image\" href=\"http://*\"\r\nEND:\r\n");
        folder.writeFile(QStringLiteral("data/local.test.txt"),
            "POST /upload HTTP/1.0\r\nContent-Length: {LEN}\r\nConnection: Close\r\n\r\n{IMGDATA}");
        MainWindow window(folder.path(), QString());
        window.StartUp();

        QGuiApplication::clipboard()->setImage(clipboardPicture());
        QString chosen;
        bool acted = false;
        whenMeasured(
            [&chosen](InBuffer& inBuffer) {
                FindControl<QPushButton>(inBuffer, "XpB1")->click();
                chosen = inBuffer.ChosenPath();
            },
            &acted);
        FindControl<QPushButton>(window, "XpB1")->click();
        QVERIFY(acted);
        QVERIFY(!chosen.isEmpty());
        QCOMPARE(window.CurrentImagePath(), chosen);
        QCOMPARE(QFileInfo(chosen).path(), folder.filePath(QStringLiteral("tmp")));

        FindControl<QPushButton>(window, "Command2")->click();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder.filePath(QStringLiteral("journal.txt"))), TimeoutMs);
        QVERIFY(folder.readFile(QStringLiteral("journal.txt")).startsWith("Clipboard\t"));
    }
};

QTEST_MAIN(TestClipboardIntake)
#include "tst_clipboardintake.moc"
