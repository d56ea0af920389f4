#include "settings/ContextMenu.h"
#include "settings/Ini.h"
#include "settings/OptionsModule.h"
#include "settings/Signature_module.h"

#include "support/TempProgramFolder.h"

#include <QtTest>

// Loading, defaulting and saving the settings of a program folder.
class TestOptionsModule final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstRunWritesDefaults_data();
    void firstRunWritesDefaults();
    void laterRunReadsTheFile();
    void booleanSettings_data();
    void booleanSettings();
    void journalRows_data();
    void journalRows();
    void missingKeysReadAsFirstRunValues();
    void leftoverTemporaryFilesRemoved();
    void credentialsFromProxyDat();
    void damagedProxyDatGivesNoCredentials();
    void saveWritesOptionsAndKeepsOtherSections();
    void saveWithoutBothCredentialsKeepsProxyDat_data();
    void saveWithoutBothCredentialsKeepsProxyDat();

private:
    void writeOptions(const QByteArray& optionsSection) const;
    QString optionsValue(const QString& key) const;

    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<QTemporaryDir> m_dataHome;
};

void TestOptionsModule::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_dataHome = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_dataHome->path().toLocal8Bit());
    qunsetenv("http_proxy");
    qunsetenv("HTTP_PROXY");
}

void TestOptionsModule::cleanup()
{
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("http_proxy");
    qunsetenv("HTTP_PROXY");
    m_dataHome.reset();
    m_folder.reset();
}

void TestOptionsModule::writeOptions(const QByteArray& optionsSection) const
{
    m_folder->writeFile(QStringLiteral("options.ini"), "[Main]\r\nLastServer=3\r\n[Options]\r\n" + optionsSection);
}

QString TestOptionsModule::optionsValue(const QString& key) const
{
    Ini::SetFileName(m_folder->filePath(QStringLiteral("options.ini")));
    return Ini().RINI(QStringLiteral("Options"), key);
}

void TestOptionsModule::firstRunWritesDefaults_data()
{
    QTest::addColumn<QByteArray>("httpProxy");
    QTest::addColumn<bool>("useProxy");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");

    QTest::newRow("no system proxy") << QByteArray() << false << ""
                                     << "";
    QTest::newRow("system proxy") << QByteArray("http://proxy.example:3128/") << true << "proxy.example"
                                  << "3128";
}

void TestOptionsModule::firstRunWritesDefaults()
{
    QFETCH(QByteArray, httpProxy);
    QFETCH(bool, useProxy);
    QFETCH(QString, host);
    QFETCH(QString, port);

    if (!httpProxy.isEmpty())
        qputenv("http_proxy", httpProxy);
    QVERIFY(!ContextMenu::IsContextMenuRegistered());

    OptionsModule options(m_folder->path());
    options.LoadOptions();

    const QByteArray expectedFile = "[Options]\r\n"
                                    "UseProxy="
        + QByteArray(useProxy ? "True" : "False") + "\r\nProxyHost=" + host.toUtf8() + "\r\nProxyPort=" + port.toUtf8()
        + "\r\nProxyAuth=False\r\nLimitJournal=True\r\nJournalRows=100\r\nCommandLine=True\r\n";
    QCOMPARE(m_folder->readFile(QStringLiteral("options.ini")), expectedFile);

    const Settings& s = options.settings();
    QCOMPARE(s.UseProxy, useProxy);
    QCOMPARE(s.ProxyHost, host);
    QCOMPARE(s.ProxyPort, port);
    QCOMPARE(s.ProxyAuth, false);
    QCOMPARE(s.LimitJournal, true);
    QCOMPARE(s.JournalRows, qint16(100));
    QCOMPARE(s.CommandLine, true);
    QVERIFY(s.ProxyUser.isEmpty());
    QVERIFY(s.ProxyPassword.isEmpty());

    QVERIFY(ContextMenu::IsContextMenuRegistered());
    QFile entry(ContextMenu::EntriesFolder() + QStringLiteral("/pictoferry-pngfile.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QVERIFY(entry.readAll().contains(
        "Exec=\"" + QDir(m_folder->path()).filePath(QStringLiteral("pictoferry")).toUtf8() + "\" %f\n"));
    QVERIFY(!QFileInfo::exists(m_folder->filePath(QStringLiteral("proxy.dat"))));
}

void TestOptionsModule::laterRunReadsTheFile()
{
    qputenv("http_proxy", "http://system.example:8080");
    writeOptions("UseProxy=True\r\nProxyHost=my.proxy\r\nProxyPort=3128\r\nProxyAuth=True\r\n"
                 "LimitJournal=False\r\nJournalRows=250\r\nCommandLine=False\r\n");
    const QByteArray before = m_folder->readFile(QStringLiteral("options.ini"));

    OptionsModule options(m_folder->path());
    options.LoadOptions();

    const Settings& s = options.settings();
    QCOMPARE(s.UseProxy, true);
    QCOMPARE(s.ProxyHost, QStringLiteral("my.proxy"));
    QCOMPARE(s.ProxyPort, QStringLiteral("3128"));
    QCOMPARE(s.ProxyAuth, true);
    QCOMPARE(s.LimitJournal, false);
    QCOMPARE(s.JournalRows, qint16(250));
    QCOMPARE(s.CommandLine, false);
    // Not a first run: the file stays as it was and no menu entry appears.
    QCOMPARE(m_folder->readFile(QStringLiteral("options.ini")), before);
    QVERIFY(!ContextMenu::IsContextMenuRegistered());
    QVERIFY(!QDir(ContextMenu::EntriesFolder()).exists());
}

void TestOptionsModule::booleanSettings_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<bool>("useProxy");
    QTest::addColumn<bool>("limitJournal");
    QTest::addColumn<bool>("commandLine");

    QTest::newRow("True") << QByteArray("UseProxy=True\r\nLimitJournal=True\r\nCommandLine=True\r\n") << true << true
                          << true;
    QTest::newRow("False") << QByteArray("UseProxy=False\r\nLimitJournal=False\r\nCommandLine=False\r\n") << false
                           << false << false;
    QTest::newRow("lower-case words") << QByteArray("UseProxy=true\r\nLimitJournal=false\r\nCommandLine=true\r\n")
                                      << false << false << true;
    QTest::newRow("numbers") << QByteArray("UseProxy=1\r\nLimitJournal=0\r\nCommandLine=-1\r\n") << false << false
                             << true;
    QTest::newRow("empty values keep the defaults")
        << QByteArray("UseProxy=\r\nLimitJournal=\r\nCommandLine=\r\n") << false << true << true;
    QTest::newRow("other words keep the defaults")
        << QByteArray("UseProxy=yes\r\nLimitJournal=no\r\nCommandLine=off\r\n") << false << true << true;
    QTest::newRow("missing keys keep the defaults") << QByteArray("ProxyHost=x\r\n") << false << true << true;
}

void TestOptionsModule::booleanSettings()
{
    QFETCH(QByteArray, lines);
    QFETCH(bool, useProxy);
    QFETCH(bool, limitJournal);
    QFETCH(bool, commandLine);

    writeOptions(lines);
    OptionsModule options(m_folder->path());
    options.LoadOptions();
    QCOMPARE(options.settings().UseProxy, useProxy);
    QCOMPARE(options.settings().LimitJournal, limitJournal);
    QCOMPARE(options.settings().CommandLine, commandLine);
}

void TestOptionsModule::journalRows_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<qint16>("expected");

    QTest::newRow("inside the range") << QByteArray("100") << qint16(100);
    QTest::newRow("lowest") << QByteArray("10") << qint16(10);
    QTest::newRow("highest") << QByteArray("500") << qint16(500);
    QTest::newRow("below the range") << QByteArray("5") << qint16(10);
    QTest::newRow("negative") << QByteArray("-1") << qint16(10);
    QTest::newRow("above the range") << QByteArray("501") << qint16(500);
    QTest::newRow("beyond 16 bits") << QByteArray("70000") << qint16(500);
    QTest::newRow("below 16 bits") << QByteArray("-70000") << qint16(10);
    QTest::newRow("half to even") << QByteArray("100.5") << qint16(100);
    QTest::newRow("letters after the number") << QByteArray("120rows") << qint16(120);
    // Damaged: the first-run value.
    QTest::newRow("not a number") << QByteArray("many") << qint16(100);
    QTest::newRow("empty") << QByteArray("") << qint16(100);
}

void TestOptionsModule::journalRows()
{
    QFETCH(QByteArray, stored);
    QFETCH(qint16, expected);

    writeOptions("JournalRows=" + stored + "\r\n");
    OptionsModule options(m_folder->path());
    options.LoadOptions();
    QCOMPARE(options.settings().JournalRows, expected);
}

void TestOptionsModule::missingKeysReadAsFirstRunValues()
{
    // What a run killed between two single-key writes used to leave behind.
    qputenv("http_proxy", "http://system.example:8080");
    writeOptions("UseProxy=False\r\nProxyHost=\r\n");
    OptionsModule options(m_folder->path());
    options.LoadOptions();
    const Settings& s = options.settings();
    QCOMPARE(s.UseProxy, false);
    QCOMPARE(s.ProxyHost, QString());
    QCOMPARE(s.ProxyPort, QStringLiteral("8080"));
    QCOMPARE(s.ProxyAuth, false);
    QCOMPARE(s.LimitJournal, true);
    QCOMPARE(s.JournalRows, qint16(100));
    QCOMPARE(s.CommandLine, true);
}

void TestOptionsModule::leftoverTemporaryFilesRemoved()
{
    const QStringList leftovers = { QStringLiteral("options.ini.AbC123"), QStringLiteral("linkTypes.ini.x1y2z3"),
        QStringLiteral("cookies.ini.QWErty"), QStringLiteral("proxy.dat.000000"),
        QStringLiteral("journal.lines.a1B2c3"), QStringLiteral("journal/journal.htm.Zz9yY8") };
    const QStringList kept = { QStringLiteral("notes.txt.AbC123"), QStringLiteral("options.ini.bak"),
        QStringLiteral("options.ini.1234567"), QStringLiteral("linkTypes.ini"), QStringLiteral("Options.ini.AbC123"),
        QStringLiteral("options.ini.12345"), QStringLiteral("journal/journal.htm"),
        QStringLiteral("journal/body.htm.AbC123"), QStringLiteral("journal.htm.AbC123") };
    for (const QString& name : leftovers + kept)
        m_folder->writeFile(name, "x");
    writeOptions("UseProxy=False\r\n");
    OptionsModule(m_folder->path()).LoadOptions();
    for (const QString& name : leftovers)
        QVERIFY2(!QFileInfo::exists(m_folder->filePath(name)), qPrintable(name));
    for (const QString& name : kept)
        QVERIFY2(QFileInfo::exists(m_folder->filePath(name)), qPrintable(name));
}

void TestOptionsModule::credentialsFromProxyDat()
{
    writeOptions("UseProxy=False\r\n");
    Signature_module::SaveProxyCredentials(
        m_folder->path(), QStringLiteral("пользователь"), QStringLiteral("p@ss word:1"));

    OptionsModule options(m_folder->path());
    options.LoadOptions();
    QCOMPARE(options.settings().ProxyUser, QStringLiteral("пользователь"));
    QCOMPARE(options.settings().ProxyPassword, QStringLiteral("p@ss word:1"));
}

void TestOptionsModule::damagedProxyDatGivesNoCredentials()
{
    writeOptions("UseProxy=False\r\n");
    m_folder->writeFile(QStringLiteral("proxy.dat"), ";[Encrypting Key File]\r\n{Control code value}\r\n");

    OptionsModule options(m_folder->path());
    options.settings().ProxyUser = QStringLiteral("kept");
    options.LoadOptions();
    QCOMPARE(options.settings().ProxyUser, QStringLiteral("kept"));
    QVERIFY(options.settings().ProxyPassword.isEmpty());
}

void TestOptionsModule::saveWritesOptionsAndKeepsOtherSections()
{
    writeOptions("UseProxy=False\r\n");
    OptionsModule options(m_folder->path());
    options.LoadOptions();

    Settings& s = options.settings();
    s.UseProxy = true;
    s.ProxyHost = QStringLiteral("прокси.example");
    s.ProxyPort = QStringLiteral("8080");
    s.ProxyAuth = true;
    s.LimitJournal = false;
    s.JournalRows = 42;
    s.CommandLine = false;
    s.ProxyUser = QStringLiteral("user");
    s.ProxyPassword = QStringLiteral("secret");
    options.SaveOptions();

    QCOMPARE(m_folder->readFile(QStringLiteral("options.ini")),
        QByteArray("[Main]\r\nLastServer=3\r\n[Options]\r\nUseProxy=True\r\nProxyHost=прокси.example\r\n"
                   "ProxyPort=8080\r\nProxyAuth=True\r\nLimitJournal=False\r\nJournalRows=42\r\n"
                   "CommandLine=False\r\n"));

    OptionsModule reloaded(m_folder->path());
    reloaded.LoadOptions();
    const Settings& r = reloaded.settings();
    QCOMPARE(r.UseProxy, true);
    QCOMPARE(r.ProxyHost, QStringLiteral("прокси.example"));
    QCOMPARE(r.ProxyPort, QStringLiteral("8080"));
    QCOMPARE(r.ProxyAuth, true);
    QCOMPARE(r.LimitJournal, false);
    QCOMPARE(r.JournalRows, qint16(42));
    QCOMPARE(r.CommandLine, false);
    QCOMPARE(r.ProxyUser, QStringLiteral("user"));
    QCOMPARE(r.ProxyPassword, QStringLiteral("secret"));
}

void TestOptionsModule::saveWithoutBothCredentialsKeepsProxyDat_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    QTest::newRow("both empty") << ""
                                << "";
    QTest::newRow("user only") << "other"
                               << "";
    QTest::newRow("password only") << ""
                                   << "other";
}

void TestOptionsModule::saveWithoutBothCredentialsKeepsProxyDat()
{
    QFETCH(QString, user);
    QFETCH(QString, password);

    writeOptions("UseProxy=False\r\n");
    Signature_module::SaveProxyCredentials(m_folder->path(), QStringLiteral("user"), QStringLiteral("secret"));
    const QByteArray before = m_folder->readFile(QStringLiteral("proxy.dat"));

    OptionsModule options(m_folder->path());
    options.settings().ProxyUser = user;
    options.settings().ProxyPassword = password;
    options.SaveOptions();

    QCOMPARE(m_folder->readFile(QStringLiteral("proxy.dat")), before);
    OptionsModule reloaded(m_folder->path());
    reloaded.LoadOptions();
    QCOMPARE(reloaded.settings().ProxyUser, QStringLiteral("user"));
    QCOMPARE(reloaded.settings().ProxyPassword, QStringLiteral("secret"));
}

QTEST_GUILESS_MAIN(TestOptionsModule)
#include "tst_optionsmodule.moc"
