#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "controls/ElidedLabel.h"
#include "engine/ServerCatalogue.h"
#include "engine/SxcuPrompter.h"
#include "engine/Uploader.h"
#include "platform/ui/MessageBox.h"
#include "support/DropFile.h"
#include "support/FindControl.h"
#include "support/MessageRecorder.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempProgramFolder.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleHints>
#include <QtTest>

namespace
{

void writeProfiles(const TempProgramFolder& folder)
{
    folder.writeFile(QStringLiteral("data/beta.example.serv"), "SERVER:127.0.0.1:1\r\nEND:\r\n");
    folder.writeFile(QStringLiteral("data/alpha.example.serv"), "SERVER:127.0.0.1:1\r\nEND:\r\n");
    folder.writeFile(QStringLiteral("data/alpha.example.info"), "[Main]\r\nMaxWidth=640\r\n");
}

// A window started with a command line that uploads a small picture at once with the given profile.
std::unique_ptr<MainWindow> startUpload(const TempProgramFolder& folder, const QByteArray& script)
{
    folder.writeFile(QStringLiteral("data/alpha.example.serv"), script);
    const QString picture = folder.filePath(QStringLiteral("pic.png"));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.save(picture);
    auto window = std::make_unique<MainWindow>(folder.path(), u'"' + picture + QStringLiteral("\" -u=alpha.example"));
    window->StartUp();
    return window;
}

// Answers every question of a custom-uploader file with the same text, and counts them.
struct FixedPrompter final : SxcuPrompter {
    QString answer;
    int asked = 0;
    QString select(const QStringList& alternatives) override { return alternatives.value(0); }
    QString input(const QString&, const QString&) override
    {
        ++asked;
        return answer;
    }
};

} // namespace

class TestMainWindow : public QObject
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

    void controlsCarryTheirCaptions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("open file") << "Command1"
                                   << "Открыть файл";
        QTest::newRow("clipboard") << "XpB1"
                                   << "Из буфера";
        QTest::newRow("upload") << "Command2"
                                << "Закачать";
        QTest::newRow("stop") << "CommandStop"
                              << "Стоп";
        QTest::newRow("journal") << "XpB3"
                                 << "Журнал закачек";
        QTest::newRow("about") << "XpB2"
                               << "О программе";
        QTest::newRow("exit") << "Command3"
                              << "Выход";
        QTest::newRow("server label") << "Label2"
                                      << "Выберите сервер:";
        QTest::newRow("link type label") << "Label1"
                                         << "Тип ссылки:";
        QTest::newRow("status line") << "st"
                                     << "Ready";
    }

    void controlsCarryTheirCaptions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        TempProgramFolder folder;
        MainWindow window(folder.path(), QString());
        QCOMPARE(window.windowTitle(), QStringLiteral("Pictoferry"));
        // Buttons and labels alike carry their caption in the "text" property.
        auto* control = window.findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->property("text").toString(), caption);
        for (const char* other : { "Servers", "LinksType", "Text1", "Copy_to", "OpenTB", "XpB4", "Sinfo", "GoToSrv",
                 "OKupl", "NoUpl", "zoom1", "zoom2", "st", "TOLabel", "Ftype", "RiL", "SiL", "RI" })
            QVERIFY2(window.findChild<QWidget*>(QLatin1String(other)), other);
    }

    void aboutButtonOpensTheAboutWindow()
    {
        TempProgramFolder folder;
        MainWindow window(folder.path(), QString());
        QString opened;
        QTimer::singleShot(0, &window, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = modal->objectName();
                modal->close();
            }
        });
        QTest::mouseClick(FindControl<QPushButton>(window, "XpB2"), Qt::LeftButton);
        QCOMPARE(opened, QStringLiteral("About"));
    }

    void firstStartCreatesSettingsAndSelectsFirstService()
    {
        TempProgramFolder folder;
        writeProfiles(folder);
        folder.writeFile(QStringLiteral("tmp/left-over.bmp"), "old");
        MainWindow window(folder.path(), QString());
        window.StartUp();

        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("options.ini"))));
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("tmp"))));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("tmp/left-over.bmp"))));
        auto* servers = FindControl<QComboBox>(window, "Servers");
        QCOMPARE(servers->count(), 2);
        QCOMPARE(servers->currentText(), QStringLiteral("alpha.example"));
        QVERIFY(!servers->isEnabled());
        QVERIFY(FindControl<QPushButton>(window, "Command2")->isEnabled());
        QVERIFY(!FindControl<QPushButton>(window, "GoToSrv")->isHidden());
        QVERIFY(!FindControl<QPushButton>(window, "Sinfo")->isHidden());
        QCOMPARE(window.serverInfo().MaxWidth, qint16(640));
        QVERIFY(FindControl<QPushButton>(window, "CommandStop")->isHidden());
    }

    void laterStartLeavesTheSettingsFilesAlone()
    {
        TempProgramFolder folder;
        writeProfiles(folder);
        MainWindow(folder.path(), QString()).StartUp();
        const auto inodes = [&folder] {
            return QList<quint64> { folder.inode(QStringLiteral("options.ini")),
                folder.inode(QStringLiteral("linkTypes.ini")) };
        };
        const QList<quint64> before = inodes();
        QVERIFY(!before.contains(0));

        MainWindow window(folder.path(), QString());
        window.StartUp();
        QCOMPARE(inodes(), before);
    }

    void storedServerPositionIsSelected_data()
    {
        QTest::addColumn<QByteArray>("main");
        QTest::addColumn<QString>("selected");
        QTest::newRow("second") << QByteArray("LastServer=1") << "beta.example";
        QTest::newRow("past the end") << QByteArray("LastServer=7") << "alpha.example";
        QTest::newRow("negative") << QByteArray("LastServer=-3") << "alpha.example";
        // Services added to the list since shift the places; the name still finds the one used last.
        QTest::newRow("name over a shifted place")
            << QByteArray("LastServer=0\r\nLastServerName=beta.example") << "beta.example";
        QTest::newRow("name of a removed service")
            << QByteArray("LastServer=1\r\nLastServerName=gone.example") << "beta.example";
    }

    void storedServerPositionIsSelected()
    {
        QFETCH(QByteArray, main);
        QFETCH(QString, selected);
        TempProgramFolder folder;
        writeProfiles(folder);
        folder.writeFile(QStringLiteral("options.ini"), "[Main]\r\n" + main + "\r\n");
        MainWindow window(folder.path(), QString());
        window.StartUp();
        QCOMPARE(FindControl<QComboBox>(window, "Servers")->currentText(), selected);
    }

    void serviceWithoutInfoForgetsThePreviousLimits()
    {
        TempProgramFolder folder;
        writeProfiles(folder);
        MainWindow window(folder.path(), QString());
        window.StartUp();
        auto* servers = FindControl<QComboBox>(window, "Servers");
        servers->setEnabled(true);
        servers->setCurrentIndex(1);
        emit servers->activated(1);
        QCOMPARE(window.serverInfo().MaxWidth, qint16(0));
        QVERIFY(FindControl<QPushButton>(window, "Sinfo")->isHidden());
        QVERIFY(!FindControl<QPushButton>(window, "GoToSrv")->isHidden());
    }

    void noProfilesDisablesUpload()
    {
        TempProgramFolder folder;
        MainWindow window(folder.path(), QString());
        window.StartUp();
        QCOMPARE(FindControl<QComboBox>(window, "Servers")->count(), 0);
        QVERIFY(!FindControl<QPushButton>(window, "Command2")->isEnabled());
        QVERIFY(FindControl<QPushButton>(window, "GoToSrv")->isHidden());
        QVERIFY(FindControl<QPushButton>(window, "Sinfo")->isHidden());
    }

    void uploadWithoutImageAsksForOneAndRemembersTheService()
    {
        TempProgramFolder folder;
        writeProfiles(folder);
        MainWindow window(folder.path(), QString());
        window.StartUp();
        MessageRecorder messages;
        FindControl<QPushButton>(window, "Command2")->click();
        QCOMPARE(messages.messages().size(), 1);
        QCOMPARE(messages.messages().first().text, QStringLiteral("Чего закачивать-то будем?"));
        QCOMPARE(messages.messages().first().title, QStringLiteral("Не выбрано изображение!"));
        QCOMPARE(messages.messages().first().icon, Platform::MessageIcon::Error);
        QVERIFY(folder.readFile(QStringLiteral("options.ini"))
                    .contains("LastServer=0\r\nLastServerName=alpha.example\r\n"));
        QVERIFY(FindControl<QPushButton>(window, "CommandStop")->isHidden());
    }

    void gearOpensTheSettingsWindow()
    {
        TempProgramFolder folder;
        MainWindow window(folder.path(), QString());
        window.StartUp();
        QString opened;
        QTimer::singleShot(0, &window, [&window, &opened] {
            auto* dialog = FindControl<QDialog>(window, "Options");
            if (dialog->isModal() && dialog->isVisible())
                opened = dialog->windowTitle();
            FindControl<QPushButton>(*dialog, "Command3")->click();
        });
        FindControl<QPushButton>(window, "XpB4")->click();
        QCOMPARE(opened, QStringLiteral("Настройки"));
    }

    void stopButtonIgnoresTheSecondClickOfADoubleClick()
    {
        TempProgramFolder folder;
        ScriptedHttpServer server;
        QVERIFY(server.start());
        server.enqueue(ScriptedHttpServer::silent());
        const std::unique_ptr<MainWindow> window
            = startUpload(folder, "SERVER:" + server.hostAndPort() + "\r\nWAIT:\r\nEND:\r\n");
        auto* stop = FindControl<QPushButton>(*window, "CommandStop");
        QTRY_VERIFY(window->engine()->isRunning());
        QVERIFY(!stop->isHidden());

        const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(60000);
        stop->click();
        QVERIFY(window->engine()->isRunning());
        QVERIFY(!stop->isHidden());
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
        stop->click();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(interval);
        QVERIFY(!window->engine()->isRunning());
        QVERIFY(stop->isHidden());
        QCOMPARE(FindControl<QLabel>(*window, "st")->text(), QStringLiteral("Закачка прервана"));
    }

    void failedUploadLeavesNoLinkToCopy()
    {
        TempProgramFolder folder;
        ScriptedHttpServer server;
        QVERIFY(server.start());
        server.enqueue(ScriptedHttpServer::reply(ScriptedHttpServer::httpReply("200 OK", "<html>no link</html>")));
        server.enqueue(
            ScriptedHttpServer::reply(ScriptedHttpServer::httpReply("200 OK", "<a href=\"http://h/1.png\">")));
        const QByteArray script
            = "SERVER:" + server.hostAndPort() + "\r\nGOTOLINK:/\r\nLINK:href=\"http://*\"\r\nEND:\r\n";
        MessageRecorder messages;
        const std::unique_ptr<MainWindow> window = startUpload(folder, script);
        auto* text1 = FindControl<QLineEdit>(*window, "Text1");
        QTRY_VERIFY_WITH_TIMEOUT(!window->engine()->isRunning() && messages.messages().size() == 1, 30000);
        QCOMPARE(text1->text(), QString());
        QVERIFY(FindControl<QWidget>(*window, "Copy_to")->isHidden());
        QVERIFY(FindControl<QWidget>(*window, "OpenTB")->isHidden());
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("journal.txt"))));

        // A successful upload shows its link, and a failure after it takes it away again.
        window->engine()->StartUpload(0, QStringLiteral("alpha.example"), window->CurrentImagePath());
        QTRY_VERIFY_WITH_TIMEOUT(!window->engine()->isRunning(), 30000);
        QVERIFY2(text1->text().contains(QStringLiteral("/h/1.png")), qPrintable(text1->text()));
        QVERIFY(!FindControl<QWidget>(*window, "Copy_to")->isHidden());
        server.enqueue(ScriptedHttpServer::reply(ScriptedHttpServer::httpReply("200 OK", "<html>no link</html>")));
        window->engine()->StartUpload(0, QStringLiteral("alpha.example"), window->CurrentImagePath());
        QTRY_VERIFY_WITH_TIMEOUT(!window->engine()->isRunning(), 30000);
        QCOMPARE(text1->text(), QString());
        QVERIFY(FindControl<QWidget>(*window, "Copy_to")->isHidden());
        QVERIFY(FindControl<QWidget>(*window, "OpenTB")->isHidden());
    }

    void closingEmptiesTheScratchFolder()
    {
        TempProgramFolder folder;
        MainWindow window(folder.path(), QString());
        window.StartUp();
        folder.writeFile(QStringLiteral("tmp/capture.png"), "x");
        window.close();
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("tmp/capture.png"))));
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("options.ini"))));
    }

    void secondInstanceIsRefusedUntilTheFirstEnds()
    {
        TempProgramFolder folder;
        auto first = std::make_unique<SingleInstance>(folder.path());
        QVERIFY(first->tryAcquire());
        SingleInstance second(folder.path());
        QVERIFY(!second.tryAcquire());
        TempProgramFolder otherFolder;
        QVERIFY(SingleInstance(otherFolder.path()).tryAcquire());
        first.reset();
        QVERIFY(!QFile::exists(SingleInstance::LockPath(folder.path())));
        QVERIFY(second.tryAcquire());
    }

    void lockOfACrashedInstanceIsTakenOver_data()
    {
        QTest::addColumn<QByteArray>("left");
        // A process number that no live process carries, on this host.
        QTest::newRow("dead process") << "2147480000\npictoferry\n" + QSysInfo::machineHostName().toUtf8() + "\n";
        // An instance killed the moment it had made its lock file, before it wrote anything into it.
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xff\xfe\n\n\n");
    }

    void lockOfACrashedInstanceIsTakenOver()
    {
        QFETCH(QByteArray, left);
        TempProgramFolder folder;
        QFile stale(SingleInstance::LockPath(folder.path()));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(left);
        stale.close();
        SingleInstance instance(folder.path());
        QVERIFY(instance.tryAcquire());
        QVERIFY(!SingleInstance(folder.path()).tryAcquire());
    }

    void choosingDisabledDuringUpload()
    {
        TempProgramFolder folder;
        writeProfiles(folder);
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::white);
        const QString path = folder.filePath(QStringLiteral("picture.jpg"));
        QVERIFY(picture.save(path, "JPG"));
        MainWindow window(folder.path(), QLatin1Char('"') + path + QLatin1Char('"'));
        window.StartUp();
        QTRY_COMPARE(window.CurrentImagePath(), path);
        auto* open = window.findChild<QWidget*>(QStringLiteral("Command1"));
        auto* clipboard = window.findChild<QWidget*>(QStringLiteral("XpB1"));
        auto* servers = window.findChild<QWidget*>(QStringLiteral("Servers"));
        QVERIFY(open->isEnabled() && clipboard->isEnabled() && servers->isEnabled());

        // The engine swaps the buttons when an upload starts and again when it ends.
        emit window.engine()->uploadButtonsChanged(false);
        QVERIFY(!open->isEnabled());
        QVERIFY(!clipboard->isEnabled());
        QVERIFY(!servers->isEnabled());
        emit window.engine()->uploadButtonsChanged(true);
        QVERIFY(open->isEnabled() && clipboard->isEnabled() && servers->isEnabled());
    }

    void longNamesDoNotWidenTheWindow()
    {
        TempProgramFolder folder;
        writeProfiles(folder);
        const QString longName = QString(80, u'x') + QStringLiteral(".example");
        folder.writeFile(QStringLiteral("data/") + longName + QStringLiteral(".serv"), "END:\r\n");
        QByteArray types;
        for (int slot = 1; slot <= 7; ++slot)
            types += "[Type" + QByteArray::number(slot)
                + "]\r\nEnabled=True\r\nTitle=" + QByteArray(slot == 3 ? 120 : 5, 'T') + "\r\nLink=IMGLINK\r\n";
        folder.writeFile(QStringLiteral("linkTypes.ini"), types);
        MainWindow window(folder.path(), QString());
        window.StartUp();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Fits a 1366 x 768 screen with room for the desktop's panels.
        QVERIFY2(
            window.minimumSizeHint().width() <= 1000, qPrintable(QString::number(window.minimumSizeHint().width())));
        QVERIFY(window.minimumSizeHint().height() <= 650);
        QVERIFY(window.sizeHint().width() <= 1300);

        // The preview takes what the window gains; the right column keeps its width.
        auto* preview = window.findChild<QWidget*>(QStringLiteral("RI"));
        auto* upload = window.findChild<QWidget*>(QStringLiteral("Command2"));
        window.resize(900, 600);
        QTRY_COMPARE(window.width(), 900);
        const int previewWidth = preview->width();
        const int uploadWidth = upload->width();
        window.resize(1300, 700);
        QTRY_COMPARE(window.width(), 1300);
        QCOMPARE(preview->width(), previewWidth + 400);
        QCOMPARE(upload->width(), uploadWidth);
        QVERIFY(preview->height() > 451);
    }

    void statusLineKeepsTheFileNameInSight()
    {
        TempProgramFolder folder;
        MainWindow window(folder.path(), QString());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* st = window.findChild<ElidedLabel*>(QStringLiteral("st"));
        QVERIFY(st);
        const QString path = QStringLiteral("/home/user/") + QString(40, u'a') + QStringLiteral("/")
            + QString(200, u'b') + QStringLiteral("/снимок.jpg");
        const int width = window.width();
        st->setText(path);
        window.grab();
        QCOMPARE(window.width(), width);
        QVERIFY(st->shownText().endsWith(QStringLiteral("снимок.jpg")));
        QVERIFY(st->shownText().startsWith(QStringLiteral("/home/")));
        QCOMPARE(st->toolTip(), path);
        st->setText(QStringLiteral("Готов"));
        window.grab();
        QVERIFY(st->toolTip().isEmpty());
    }

    void messageBoxShowsItsWholeTitleCentredBeforeTheWindow()
    {
        QWidget hidden;
        const QString title = QStringLiteral("Очень длинный заголовок окна сообщения, который виден целиком");
        const auto box = Platform::CreateMessageBox(&hidden, QStringLiteral("Да"), title, Platform::MessageIcon::Error);
        // A window not on screen is no owner: the box is centred on the screen.
        QVERIFY(box->parentWidget() == nullptr);
        QVERIFY(box->sizeHint().width() >= box->fontMetrics().horizontalAdvance(title) + 100);
        hidden.show();
        QVERIFY(Platform::CreateMessageBox(&hidden, QStringLiteral("Да"), title, Platform::MessageIcon::Error)
                    ->parentWidget()
            == &hidden);
    }

    // A custom-uploader file that cannot be used says why when chosen, and its upload is refused with
    // the same text, without an upload beginning.
    void brokenSxcuServiceSaysWhy()
    {
        TempProgramFolder folder;
        writeProfiles(folder);
        folder.writeFile(QStringLiteral("data/broken.sxcu"), "{\"RequestURL\": \"http://127.0.0.1:9/up\"");
        const QString problem = ServerCatalogue::SxcuProblem(folder.path(), QStringLiteral("broken"));
        QVERIFY(problem.contains(QStringLiteral("broken.sxcu")));
        MessageRecorder messages;
        auto window = startUpload(folder, "SERVER:127.0.0.1:1\r\nEND:\r\n");
        auto* servers = FindControl<QComboBox>(*window, "Servers");
        QTRY_VERIFY(!window->CurrentImagePath().isEmpty());
        QTRY_VERIFY(!window->engine()->statusText().isEmpty()); // the automatic upload to alpha has begun
        window->engine()->StopUpload();
        messages.clear();

        servers->setCurrentIndex(servers->findText(QStringLiteral("broken")));
        emit servers->activated(servers->currentIndex());
        QCOMPARE(messages.messages().size(), 1);
        QCOMPARE(messages.messages().first().text, problem);
        QCOMPARE(messages.messages().first().icon, Platform::MessageIcon::Error);

        FindControl<QPushButton>(*window, "Command2")->click();
        QCOMPARE(messages.messages().size(), 2);
        QCOMPARE(messages.messages().last().text, problem);
        QVERIFY(!window->engine()->isRunning());
        QVERIFY(!FindControl<QPushButton>(*window, "Command2")->isHidden());
    }

    // A dropped custom-uploader file becomes a service, its blanks filled by the prompter, and is
    // selected; dropped again with other content it replaces the service only after a yes.
    void droppedSxcuIsImported()
    {
        TempProgramFolder folder;
        writeProfiles(folder);
        MainWindow window(folder.path(), QString());
        window.StartUp();
        FixedPrompter prompter;
        prompter.answer = QStringLiteral("KEY-1");
        window.setPrompter(&prompter);
        QTemporaryDir downloads;
        const QString source = downloads.filePath(QStringLiteral("my host.sxcu"));
        const auto writeSource = [&](const QByteArray& url) {
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(
                "{\"RequestURL\":\"" + url + "\",\"FileFormName\":\"f\",\"Headers\":{\"Key\":\"<API KEY HERE>\"}}");
        };
        writeSource("https://host.example/up");
        MessageRecorder messages(QMessageBox::Yes);
        auto* servers = FindControl<QComboBox>(window, "Servers");

        DropOutcome dropped = DropFile(window, source);
        QVERIFY(dropped.enterAccepted);
        QVERIFY(dropped.dropAccepted);
        QTRY_COMPARE(servers->currentText(), QStringLiteral("my host"));
        QCOMPARE(servers->count(), 3);
        QCOMPARE(prompter.asked, 1);
        QVERIFY(folder.readFile(QStringLiteral("data/my host.sxcu")).contains("KEY-1"));
        QVERIFY(messages.messages().isEmpty());

        writeSource("https://other.example/up");
        servers->setCurrentIndex(0);
        dropped = DropFile(window, source);
        QVERIFY(dropped.enterAccepted);
        QVERIFY(dropped.dropAccepted);
        QTRY_COMPARE(servers->currentText(), QStringLiteral("my host"));
        QCOMPARE(messages.messages().size(), 1);
        QCOMPARE(messages.messages().first().icon, Platform::MessageIcon::Question);
        QVERIFY(folder.readFile(QStringLiteral("data/my host.sxcu")).contains("other.example"));
        QCOMPARE(servers->count(), 3);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
