#include "settings/ContextMenu.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
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
    void offeredButNeverDefaultInGio();

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
        { QStringLiteral("jpegfile"), "application/x-pictoferry-jpegfile" },
        { QStringLiteral("giffile"), "application/x-pictoferry-giffile" },
        { QStringLiteral("pngfile"), "application/x-pictoferry-pngfile" },
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
                  "NoDisplay=true\n"
                  "InitialPreference=0\n"));
    }
    // The file managers' own menu entries, each with the caption and the program.
    for (const char* relative : { "/mime/packages/pictoferry.xml", "/kio/servicemenus/pictoferry.desktop",
             "/nemo/actions/pictoferry.nemo_action", "/file-manager/actions/pictoferry.desktop" }) {
        QFile file(m_dataHome->path() + QLatin1String(relative));
        QVERIFY2(file.open(QIODevice::ReadOnly), relative);
        QVERIFY2(file.readAll().contains("Pictoferry"), relative);
    }
    QVERIFY(QFileInfo(m_dataHome->path() + QStringLiteral("/kio/servicemenus/pictoferry.desktop")).isExecutable());
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
    const QStringList entries = { QStringLiteral("*.desktop") };
    QCOMPARE(QDir(folder).entryList(entries, QDir::Files), QStringList { QStringLiteral("other-viewer.desktop") });
    for (const char* relative : { "/mime/packages/pictoferry.xml", "/kio/servicemenus/pictoferry.desktop",
             "/nemo/actions/pictoferry.nemo_action", "/file-manager/actions/pictoferry.desktop" })
        QVERIFY2(!QFileInfo::exists(m_dataHome->path() + QLatin1String(relative)), relative);

    ContextMenu::UnregisterContextMenu();
    QCOMPARE(QDir(folder).entryList(entries, QDir::Files), QStringList { QStringLiteral("other-viewer.desktop") });
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

namespace
{

// What GLib's own view, "gio mime TYPE", says: the default application and every one it offers.
struct GioView {
    QString defaultApp;
    QStringList offered;
};

GioView gioMime(const QString& type)
{
    QProcess gio;
    gio.start(QStandardPaths::findExecutable(QStringLiteral("gio")), { QStringLiteral("mime"), type });
    gio.waitForFinished(30000);
    GioView view;
    for (const QString& line : QString::fromUtf8(gio.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(QLatin1String("Default application")))
            view.defaultApp = line.section(QStringLiteral(": "), 1).trimmed();
        else if (line.startsWith(u'\t'))
            view.offered.append(line.trimmed());
    }
    return view;
}

} // namespace

void TestContextMenu::offeredButNeverDefaultInGio()
{
    for (const char* tool : { "gio", "update-desktop-database", "update-mime-database" }) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is missing (scripts/install-deps.sh --tests installs it)").arg(tool)));
    }
    // A desktop of our own: the user's folders and one system folder with an image viewer, before the
    // real system folders that hold the MIME database.
    QTemporaryDir desktop;
    const QString system = desktop.filePath(QStringLiteral("system"));
    QVERIFY(QDir().mkpath(system + QStringLiteral("/applications")));
    QFile viewer(system + QStringLiteral("/applications/viewer.desktop"));
    QVERIFY(viewer.open(QIODevice::WriteOnly));
    viewer.write("[Desktop Entry]\nType=Application\nName=Viewer\nExec=/bin/true %f\n"
                 "MimeType=image/jpeg;image/gif;image/png;\n");
    viewer.close();
    QCOMPARE(
        QProcess::execute(QStringLiteral("update-desktop-database"), { system + QStringLiteral("/applications") }), 0);
    const QByteArray systemDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", (system + QStringLiteral(":/usr/local/share:/usr/share")).toUtf8());
    qputenv("XDG_CONFIG_HOME", desktop.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CONFIG_DIRS", desktop.filePath(QStringLiteral("config-system")).toUtf8());
    const auto restore = qScopeGuard([&systemDirs] {
        qputenv("XDG_DATA_DIRS", systemDirs);
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_CONFIG_DIRS");
    });

    // GLib checks that the program exists.
    const QString program = desktop.filePath(QStringLiteral("program/pictoferry"));
    QVERIFY(QDir().mkpath(QFileInfo(program).path()));
    QFile script(program);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));

    const QList<std::pair<QString, QString>> types = { { QStringLiteral("image/jpeg"), QStringLiteral("jpegfile") },
        { QStringLiteral("image/gif"), QStringLiteral("giffile") },
        { QStringLiteral("image/png"), QStringLiteral("pngfile") } };
    QMap<QString, QString> defaults;
    for (const auto& [type, fileClass] : types)
        defaults[type] = gioMime(type).defaultApp;
    QCOMPARE(defaults.value(QStringLiteral("image/jpeg")), QStringLiteral("viewer.desktop"));

    for (int round = 0; round < 2; ++round) {
        ContextMenu::RegisterContextMenu(program);
        for (const auto& [type, fileClass] : types) {
            const GioView view = gioMime(type);
            const QString ours = QStringLiteral("pictoferry-%1.desktop").arg(fileClass);
            QVERIFY2(view.offered.contains(ours), qPrintable(type + u' ' + view.offered.join(u',')));
            QCOMPARE(view.defaultApp, defaults.value(type));
            // Only the entry of its own type.
            for (const auto& [otherType, otherClass] : types)
                QVERIFY(otherType == type
                    || !view.offered.contains(QStringLiteral("pictoferry-%1.desktop").arg(otherClass)));
        }
    }

    ContextMenu::UnregisterContextMenu();
    for (const auto& [type, fileClass] : types) {
        const GioView view = gioMime(type);
        QVERIFY2(!view.offered.join(u',').contains(QLatin1String("pictoferry")), qPrintable(view.offered.join(u',')));
        QCOMPARE(view.defaultApp, defaults.value(type));
    }
}

QTEST_GUILESS_MAIN(TestContextMenu)
#include "tst_contextmenu.moc"
