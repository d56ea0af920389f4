#include "settings/ContextMenu.h"
#include "settings/OptionsModule.h"
#include "settings/Signature_module.h"
#include "settings/ui/Options.h"

#include "controls/Check.h"
#include "controls/XpB.h"
#include "support/FindControl.h"
#include "support/MessageRecorder.h"
#include "support/TempProgramFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

namespace
{

const QByteArray StoredOptions = "[Options]\r\nUseProxy=False\r\nProxyHost=old.example\r\nProxyPort=3128\r\n"
                                 "ProxyAuth=False\r\nLimitJournal=True\r\nJournalRows=100\r\nCommandLine=True\r\n";

// A desktop whose only proxy is the given http_proxy value.
SystemProxy::Sources desktopWithProxy(const QString& httpProxy)
{
    QProcessEnvironment environment;
    if (!httpProxy.isEmpty())
        environment.insert(QStringLiteral("http_proxy"), httpProxy);
    return { environment, QString(), QString() };
}

void click(Check* box)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
}

} // namespace

class tst_Options : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void captions();
    void enabledStates_data();
    void enabledStates();
    void systemProxyThenCancel();
    void contextMenuActsAtOnce();
    void okSavesEverything();
    void emptiedUserNameKeepsProxyDat();
    void tooLongCredentialsAreRefused();
    void journalRowsShownWithinRange_data();
    void journalRowsShownWithinRange();
    void spinnerCountsUpWithItsUpperArrow();
    void keyboardWalksTopToBottom();

private:
    Settings& settings() { return m_options->settings(); }

    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<QTemporaryDir> m_dataHome;
    std::unique_ptr<OptionsModule> m_options;
};

void tst_Options::init()
{
    m_dataHome = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_dataHome->path().toLocal8Bit());
    m_folder = std::make_unique<TempProgramFolder>();
    m_folder->writeFile(QStringLiteral("options.ini"), StoredOptions);
    m_options = std::make_unique<OptionsModule>(m_folder->path());
    m_options->LoadOptions();
}

void tst_Options::cleanup()
{
    m_options.reset();
    m_folder.reset();
    qunsetenv("XDG_DATA_HOME");
    m_dataHome.reset();
}

void tst_Options::captions()
{
    Options window(*m_options, desktopWithProxy({}));
    QCOMPARE(window.windowTitle(), QStringLiteral("Настройки"));
    const QList<std::pair<const char*, QString>> captions = {
        { "UsePCaption", QStringLiteral("Использовать прокси-сервер") },
        { "AdrPCaption", QStringLiteral("Адрес") },
        { "PortPCaption", QStringLiteral("Порт") },
        { "AuthPCaption", QStringLiteral("Авторизация на прокси-сервере") },
        { "Text1Caption", QStringLiteral("Имя") },
        { "Text2Caption", QStringLiteral("Пароль") },
        { "LJCaption", QStringLiteral("Ограничить размер журнала") },
        { "CLCaption", QStringLiteral("Обработка командной строки") },
        { "IMCaption", QStringLiteral("Интеграция в контекстное меню") },
    };
    for (const auto& [name, text] : captions)
        QCOMPARE(FindControl<QLabel>(window, name)->text(), text);
    QCOMPARE(FindControl<XpB>(window, "XpB3")->text(), QStringLiteral("Получить из настроек системы"));
    QCOMPARE(FindControl<XpB>(window, "XpB1")->text(), QStringLiteral("ОК"));
    QCOMPARE(FindControl<XpB>(window, "Command3")->text(), QStringLiteral("Отмена"));
    QCOMPARE(FindControl<QLineEdit>(window, "Text2")->echoMode(), QLineEdit::Normal);
}

void tst_Options::enabledStates_data()
{
    QTest::addColumn<bool>("useProxy");
    QTest::addColumn<bool>("auth");
    QTest::addColumn<bool>("limit");

    for (bool useProxy : { false, true }) {
        for (bool auth : { false, true }) {
            for (bool limit : { false, true }) {
                QTest::addRow("UseP %d AuthP %d LJ %d", useProxy, auth, limit) << useProxy << auth << limit;
            }
        }
    }
}

// As filled from the settings, and again after a click has turned the proxy and the limit over.
void tst_Options::enabledStates()
{
    QFETCH(bool, useProxy);
    QFETCH(bool, auth);
    QFETCH(bool, limit);

    settings().UseProxy = useProxy;
    settings().ProxyAuth = auth;
    settings().LimitJournal = limit;
    Options window(*m_options, desktopWithProxy({}));

    auto verify = [&window](bool useP, bool authP, bool lj) {
        for (const char* name : { "UsePCaption", "AdrPCaption", "PortPCaption", "AuthPCaption" })
            QCOMPARE(FindControl<QLabel>(window, name)->isEnabled(), useP);
        for (const char* name : { "AdrP", "PortP" })
            QCOMPARE(FindControl<QLineEdit>(window, name)->isEnabled(), useP);
        QCOMPARE(FindControl<Check>(window, "AuthP")->isEnabled(), useP);
        QVERIFY(FindControl<Check>(window, "UseP")->isEnabled());
        for (const char* name : { "Text1Caption", "Text2Caption" })
            QCOMPARE(FindControl<QLabel>(window, name)->isEnabled(), useP && authP);
        for (const char* name : { "Text1", "Text2" })
            QCOMPARE(FindControl<QLineEdit>(window, name)->isEnabled(), useP && authP);
        QCOMPARE(FindControl<QLabel>(window, "LJl")->isEnabled(), lj);
        QCOMPARE(FindControl<QScrollBar>(window, "LJs")->isEnabled(), lj);
    };
    verify(useProxy, auth, limit);
    if (QTest::currentTestFailed())
        return;

    click(FindControl<Check>(window, "UseP"));
    click(FindControl<Check>(window, "LJ"));
    verify(!useProxy, auth, !limit);
    if (QTest::currentTestFailed())
        return;

    // AuthP only acts while the proxy is in use.
    auto* authP = FindControl<Check>(window, "AuthP");
    if (authP->isEnabled()) {
        click(authP);
        verify(!useProxy, !auth, !limit);
    }
}

void tst_Options::systemProxyThenCancel()
{
    const QByteArray optionsBefore = m_folder->readFile(QStringLiteral("options.ini"));
    Options window(*m_options, desktopWithProxy(QStringLiteral("http://desktop.example:8080/")));
    QVERIFY(!FindControl<Check>(window, "UseP")->Value());

    FindControl<XpB>(window, "XpB3")->click();
    QVERIFY(FindControl<Check>(window, "UseP")->Value());
    QCOMPARE(FindControl<QLineEdit>(window, "AdrP")->text(), QStringLiteral("desktop.example"));
    QCOMPARE(FindControl<QLineEdit>(window, "PortP")->text(), QStringLiteral("8080"));
    QVERIFY(FindControl<QLineEdit>(window, "AdrP")->isEnabled());

    FindControl<XpB>(window, "Command3")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(settings().UseProxy);
    QCOMPARE(settings().ProxyHost, QStringLiteral("desktop.example"));
    QCOMPARE(settings().ProxyPort, QStringLiteral("8080"));
    QCOMPARE(m_folder->readFile(QStringLiteral("options.ini")), optionsBefore);

    // A desktop without a proxy switches it off the same way.
    Options again(*m_options, desktopWithProxy({}));
    FindControl<XpB>(again, "XpB3")->click();
    QVERIFY(!settings().UseProxy);
    QVERIFY(!FindControl<QLineEdit>(again, "AdrP")->isEnabled());
}

void tst_Options::contextMenuActsAtOnce()
{
    QVERIFY(!ContextMenu::IsContextMenuRegistered());
    {
        Options window(*m_options, desktopWithProxy({}));
        auto* im = FindControl<Check>(window, "IM");
        QVERIFY(!im->Value());
        click(im);
        QVERIFY(ContextMenu::IsContextMenuRegistered());
        FindControl<XpB>(window, "Command3")->click();
    }
    QVERIFY(ContextMenu::IsContextMenuRegistered());
    const QString entry = QDir(ContextMenu::EntriesFolder()).filePath(QStringLiteral("pictoferry-jpegfile.desktop"));
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains(m_options->programPath().toUtf8()));

    Options window(*m_options, desktopWithProxy({}));
    auto* im = FindControl<Check>(window, "IM");
    QVERIFY(im->Value()); // filling the window registers nothing and removes nothing
    click(im);
    QVERIFY(!ContextMenu::IsContextMenuRegistered());
}

void tst_Options::okSavesEverything()
{
    Options window(*m_options, desktopWithProxy({}));
    click(FindControl<Check>(window, "UseP"));
    click(FindControl<Check>(window, "AuthP"));
    FindControl<QLineEdit>(window, "AdrP")->setText(QStringLiteral("new.example"));
    FindControl<QLineEdit>(window, "PortP")->setText(QStringLiteral("8 0"));
    FindControl<QLineEdit>(window, "Text1")->setText(QStringLiteral("user"));
    FindControl<QLineEdit>(window, "Text2")->setText(QStringLiteral("secret"));
    click(FindControl<Check>(window, "CL"));
    auto* spinner = FindControl<QScrollBar>(window, "LJs");
    spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(FindControl<QLabel>(window, "LJl")->text(), QStringLiteral("110"));

    FindControl<XpB>(window, "XpB1")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));

    OptionsModule reloaded(m_folder->path());
    reloaded.LoadOptions();
    const Settings& stored = reloaded.settings();
    QVERIFY(stored.UseProxy);
    QCOMPARE(stored.ProxyHost, QStringLiteral("new.example"));
    QCOMPARE(stored.ProxyPort, QStringLiteral("8 0")); // taken as typed
    QVERIFY(stored.ProxyAuth);
    QVERIFY(stored.LimitJournal);
    QCOMPARE(stored.JournalRows, qint16(110));
    QVERIFY(!stored.CommandLine);
    QCOMPARE(stored.ProxyUser, QStringLiteral("user"));
    QCOMPARE(stored.ProxyPassword, QStringLiteral("secret"));
}

void tst_Options::emptiedUserNameKeepsProxyDat()
{
    Signature_module::SaveProxyCredentials(m_folder->path(), QStringLiteral("user"), QStringLiteral("secret"));
    const QByteArray proxyDat = m_folder->readFile(QStringLiteral("proxy.dat"));
    m_options->LoadOptions();

    Options window(*m_options, desktopWithProxy({}));
    QCOMPARE(FindControl<QLineEdit>(window, "Text1")->text(), QStringLiteral("user"));
    FindControl<QLineEdit>(window, "Text1")->clear();
    FindControl<QLineEdit>(window, "AdrP")->setText(QStringLiteral("saved.example"));
    FindControl<XpB>(window, "XpB1")->click();

    QCOMPARE(m_folder->readFile(QStringLiteral("proxy.dat")), proxyDat);
    QVERIFY(m_folder->readFile(QStringLiteral("options.ini")).contains("ProxyHost=saved.example"));
}

void tst_Options::tooLongCredentialsAreRefused()
{
    Signature_module::SaveProxyCredentials(m_folder->path(), QStringLiteral("user"), QStringLiteral("secret"));
    const QByteArray proxyDat = m_folder->readFile(QStringLiteral("proxy.dat"));
    const QByteArray options = m_folder->readFile(QStringLiteral("options.ini"));
    m_options->LoadOptions();

    // Sixteen Cyrillic letters are 32 bytes, one more than proxy.dat keeps.
    Options window(*m_options, desktopWithProxy({}));
    FindControl<QLineEdit>(window, "Text1")->setText(QStringLiteral("ПользовательПрок"));
    MessageRecorder messages;
    FindControl<XpB>(window, "XpB1")->click();

    QCOMPARE(messages.messages().size(), 1);
    QVERIFY(messages.messages().first().text.contains(QStringLiteral("32 байт")));
    QVERIFY(window.result() != int(QDialog::Accepted));
    QCOMPARE(m_folder->readFile(QStringLiteral("proxy.dat")), proxyDat);
    QCOMPARE(m_folder->readFile(QStringLiteral("options.ini")), options);

    // Fifteen letters fit and are saved.
    FindControl<QLineEdit>(window, "Text1")->setText(QStringLiteral("ПользовательПро"));
    FindControl<XpB>(window, "XpB1")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(Signature_module::LoadProxyCredentials(m_folder->path()), QStringLiteral("ПользовательПро\tsecret"));
}

void tst_Options::journalRowsShownWithinRange_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");

    QTest::newRow("within") << 250 << 250;
    QTest::newRow("below") << 3 << 10;
    QTest::newRow("negative") << -5 << 10;
    QTest::newRow("above") << 900 << 500;
}

void tst_Options::journalRowsShownWithinRange()
{
    QFETCH(int, stored);
    QFETCH(int, shown);

    settings().JournalRows = static_cast<qint16>(stored);
    Options window(*m_options, desktopWithProxy({}));
    QCOMPARE(FindControl<QLabel>(window, "LJl")->text(), QString::number(shown));
    QCOMPARE(FindControl<QScrollBar>(window, "LJs")->value(), shown);

    FindControl<XpB>(window, "XpB1")->click();
    QCOMPARE(int(settings().JournalRows), shown);
}

void tst_Options::spinnerCountsUpWithItsUpperArrow()
{
    Options window(*m_options, desktopWithProxy({}));
    window.show();
    auto* spinner = FindControl<QScrollBar>(window, "LJs");
    auto* label = FindControl<QLabel>(window, "LJl");
    QTest::mouseClick(spinner, Qt::LeftButton, Qt::NoModifier, QPoint(spinner->width() / 2, 2));
    QCOMPARE(label->text(), QStringLiteral("110"));
    QTest::mouseClick(spinner, Qt::LeftButton, Qt::NoModifier, QPoint(spinner->width() / 2, spinner->height() - 3));
    QCOMPARE(label->text(), QStringLiteral("100"));
    spinner->setFocus();
    QTest::keyClick(spinner, Qt::Key_Up);
    QCOMPARE(label->text(), QStringLiteral("110"));
}

void tst_Options::keyboardWalksTopToBottom()
{
    Options window(*m_options, desktopWithProxy({}));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    auto* useP = FindControl<Check>(window, "UseP");
    useP->setFocus();
    QTest::keyClick(useP, Qt::Key_Space);
    QVERIFY(useP->Value());
    QVERIFY(FindControl<QLineEdit>(window, "AdrP")->isEnabled());

    const QList<const char*> order
        = { "AdrP", "PortP", "AuthP", "XpB3", "LJ", "LJs", "CL", "IM", "XpB1", "Command3", "UseP" };
    for (const char* name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
    }
}

QTEST_MAIN(tst_Options)
#include "tst_options.moc"
