#include "settings/ContextMenu.h"

#include <QtTest>

// The file manager's context-menu entries as desktop entries in a temporary data folder.
class TestContextMenu final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void registerWritesThreeEntries();
    void execQuotesTheProgramPath_data();
    void execQuotesTheProgramPath();
    void registerOverwritesOldEntries();
    void unregisterRemovesOnlyOurEntries();
    void registeredMeansJpegEntryWithCaption_data();
    void registeredMeansJpegEntryWithCaption();
    void entriesFolder();
    void unknownFileClassIgnored();

private:
    QString entryPath(const QString& fileClass) const;
    QByteArray readEntry(const QString& fileClass) const;

    std::unique_ptr<QTemporaryDir> m_dataHome;
};

void TestContextMenu::init()
{
    m_dataHome = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_dataHome->path().toLocal8Bit());
}

void TestContextMenu::cleanup()
{
    qunsetenv("XDG_DATA_HOME");
    m_dataHome.reset();
}

QString TestContextMenu::entryPath(const QString& fileClass) const
{
    return m_dataHome->path() + QStringLiteral("/applications/pictoferry-%1.desktop").arg(fileClass);
}

QByteArray TestContextMenu::readEntry(const QString& fileClass) const
{
    QFile file(entryPath(fileClass));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestContextMenu::registerWritesThreeEntries()
{
    QVERIFY(!ContextMenu::IsContextMenuRegistered());
    ContextMenu::RegisterContextMenu(QStringLiteral("/opt/pictoferry/pictoferry"));
    QVERIFY(ContextMenu::IsContextMenuRegistered());

    const QList<std::pair<QString, QByteArray>> classes = {
        { QStringLiteral("jpegfile"), "image/jpeg" },
        { QStringLiteral("giffile"), "image/gif" },
        { QStringLiteral("pngfile"), "image/png" },
    };
    for (const auto& [fileClass, mimeType] : classes) {
        QCOMPARE(readEntry(fileClass),
            QByteArray("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Закачать при помощи Pictoferry\n"
                       "MimeType="
                + mimeType
                + ";\n"
                  "Exec=\"/opt/pictoferry/pictoferry\" %f\n"
                  "NoDisplay=true\n"));
    }
}

void TestContextMenu::execQuotesTheProgramPath_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QByteArray>("execLine");

    QTest::newRow("plain") << "/home/u/pictoferry" << QByteArray("Exec=\"/home/u/pictoferry\" %f");
    QTest::newRow("blanks") << "/home/u/my programs/pictoferry"
                            << QByteArray("Exec=\"/home/u/my programs/pictoferry\" %f");
    QTest::newRow("Cyrillic") << "/home/u/Программы/pictoferry"
                              << QByteArray("Exec=\"/home/u/Программы/pictoferry\" %f");
    QTest::newRow("double quote") << "/home/u/a\"b/pictoferry" << QByteArray("Exec=\"/home/u/a\\\\\"b/pictoferry\" %f");
    QTest::newRow("dollar and backtick") << "/home/u/$x`y/pictoferry"
                                         << QByteArray("Exec=\"/home/u/\\\\$x\\\\`y/pictoferry\" %f");
    QTest::newRow("backslash") << "/home/u/a\\b/pictoferry" << QByteArray("Exec=\"/home/u/a\\\\\\\\b/pictoferry\" %f");
    QTest::newRow("percent sign") << "/home/u/100%/pictoferry" << QByteArray("Exec=\"/home/u/100%%/pictoferry\" %f");
}

void TestContextMenu::execQuotesTheProgramPath()
{
    QFETCH(QString, programPath);
    QFETCH(QByteArray, execLine);

    ContextMenu::RegisterContextMenu(programPath);
    const QList<QByteArray> lines = readEntry(QStringLiteral("jpegfile")).split('\n');
    QVERIFY2(lines.contains(execLine), readEntry(QStringLiteral("jpegfile")).constData());
}

void TestContextMenu::registerOverwritesOldEntries()
{
    ContextMenu::RegisterContextMenu(QStringLiteral("/old/place/pictoferry"));
    ContextMenu::RegisterContextMenu(QStringLiteral("/new/place/pictoferry"));
    for (const QString& fileClass :
        { QStringLiteral("jpegfile"), QStringLiteral("giffile"), QStringLiteral("pngfile") }) {
        QVERIFY(readEntry(fileClass).contains("Exec=\"/new/place/pictoferry\" %f\n"));
        QVERIFY(!readEntry(fileClass).contains("/old/place"));
    }
}

void TestContextMenu::unregisterRemovesOnlyOurEntries()
{
    const QString folder = m_dataHome->path() + QStringLiteral("/applications");
    // Nothing registered: nothing changes and nothing is created.
    ContextMenu::UnregisterContextMenu();
    QVERIFY(!QFileInfo::exists(folder));

    ContextMenu::RegisterContextMenu(QStringLiteral("/opt/pictoferry/pictoferry"));
    QFile other(folder + QStringLiteral("/other-viewer.desktop"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("[Desktop Entry]\nName=Other\n");
    other.close();

    ContextMenu::UnregisterContextMenu();
    QVERIFY(!ContextMenu::IsContextMenuRegistered());
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList { QStringLiteral("other-viewer.desktop") });

    ContextMenu::UnregisterContextMenu();
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList { QStringLiteral("other-viewer.desktop") });
}

void TestContextMenu::registeredMeansJpegEntryWithCaption_data()
{
    QTest::addColumn<QString>("fileClass");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("registered");

    QTest::newRow("our caption") << "jpegfile" << QByteArray("[Desktop Entry]\nName=Закачать при помощи Pictoferry\n")
                                 << true;
    QTest::newRow("blanks around the caption")
        << "jpegfile" << QByteArray("[Desktop Entry]\nName =  Закачать при помощи Pictoferry \n") << true;
    QTest::newRow("CR LF line ends") << "jpegfile"
                                     << QByteArray("[Desktop Entry]\r\nName=Закачать при помощи Pictoferry\r\n")
                                     << true;
    QTest::newRow("another product's caption")
        << "jpegfile" << QByteArray("[Desktop Entry]\nName=Закачать при помощи Другой программы\n") << false;
    QTest::newRow("caption with more text")
        << "jpegfile" << QByteArray("[Desktop Entry]\nName=Закачать при помощи Pictoferry!\n") << false;
    QTest::newRow("empty caption") << "jpegfile" << QByteArray("[Desktop Entry]\nName=\n") << false;
    QTest::newRow("only a translated caption")
        << "jpegfile" << QByteArray("[Desktop Entry]\nName[ru]=Закачать при помощи Pictoferry\n") << false;
    QTest::newRow("caption in another group")
        << "jpegfile" << QByteArray("[Desktop Action x]\nName=Закачать при помощи Pictoferry\n") << false;
    QTest::newRow("empty file") << "jpegfile" << QByteArray() << false;
    QTest::newRow("only the PNG entry") << "pngfile"
                                        << QByteArray("[Desktop Entry]\nName=Закачать при помощи Pictoferry\n")
                                        << false;
}

void TestContextMenu::registeredMeansJpegEntryWithCaption()
{
    QFETCH(QString, fileClass);
    QFETCH(QByteArray, content);
    QFETCH(bool, registered);

    QVERIFY(QDir().mkpath(m_dataHome->path() + QStringLiteral("/applications")));
    QFile file(entryPath(fileClass));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QCOMPARE(ContextMenu::IsContextMenuRegistered(), registered);
}

void TestContextMenu::entriesFolder()
{
    QCOMPARE(ContextMenu::EntriesFolder(), m_dataHome->path() + QStringLiteral("/applications"));

    const bool homeSet = qEnvironmentVariableIsSet("HOME");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", m_dataHome->path().toLocal8Bit());
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(ContextMenu::EntriesFolder(), m_dataHome->path() + QStringLiteral("/.local/share/applications"));
    qputenv("XDG_DATA_HOME", "relative/data");
    QCOMPARE(ContextMenu::EntriesFolder(), m_dataHome->path() + QStringLiteral("/.local/share/applications"));
    if (homeSet)
        qputenv("HOME", home);
    else
        qunsetenv("HOME");
}

void TestContextMenu::unknownFileClassIgnored()
{
    ContextMenu::AddShellEntry(QStringLiteral("bmpfile"), QStringLiteral("/opt/pictoferry/pictoferry"));
    QVERIFY(!QFileInfo::exists(m_dataHome->path() + QStringLiteral("/applications")));
    ContextMenu::AddShellEntry(QStringLiteral("giffile"), QStringLiteral("/opt/pictoferry/pictoferry"));
    QVERIFY(QFileInfo::exists(entryPath(QStringLiteral("giffile"))));
    QVERIFY(!ContextMenu::IsContextMenuRegistered());
    ContextMenu::RemoveShellEntry(QStringLiteral("giffile"));
    QVERIFY(!QFileInfo::exists(entryPath(QStringLiteral("giffile"))));
}

QTEST_GUILESS_MAIN(TestContextMenu)
#include "tst_contextmenu.moc"
