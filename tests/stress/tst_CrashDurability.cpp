// Kills with SIGKILL at spread-out moments: the stress writer while it appends to the journal or saves the
// settings, and the built program during its first start and during an upload. After every kill each file
// must be complete or absent, the next start must accept or repair what it finds, and the journal page must
// still show every record.

#include "ProgramRig.h"
#include "StressRecords.h"
#include "journal/Journal.h"
#include "links/LinkTables.h"
#include "links/LinkTypes.h"
#include "settings/IniFile.h"
#include "settings/OptionsModule.h"
#include "settings/Signature_module.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>

namespace
{

const QStringList OptionKeys = { QStringLiteral("UseProxy"), QStringLiteral("ProxyHost"), QStringLiteral("ProxyPort"),
    QStringLiteral("ProxyAuth"), QStringLiteral("LimitJournal"), QStringLiteral("JournalRows"),
    QStringLiteral("CommandLine") };

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// options.ini and linkTypes.ini hold every key they are written with.
QString settingsFault(const QString& folder)
{
    const QString options = QDir(folder).filePath(QStringLiteral("options.ini"));
    if (QFileInfo::exists(options)) {
        const IniFile file(options);
        for (const QString& key : OptionKeys) {
            if (!file.HasKey(QStringLiteral("Options"), key))
                return QStringLiteral("options.ini lacks ") + key + QLatin1Char('\n') + readAll(options);
        }
    }
    const QString linkTypes = LinkTypes::LinkTypesPath(folder);
    if (QFileInfo::exists(linkTypes)) {
        const IniFile file(linkTypes);
        for (int slot = 1; slot <= LinkTables::SlotCount; ++slot) {
            for (const char* key : { "Enabled", "Title", "Link" }) {
                if (!file.HasKey(QStringLiteral("Type%1").arg(slot), QLatin1String(key)))
                    return QStringLiteral("linkTypes.ini lacks Type%1 ").arg(slot) + QLatin1String(key);
            }
        }
    }
    return {};
}

// proxy.dat and cookies.ini hold one value the stress writer wrote.
QString writerFilesFault(const QString& folder)
{
    if (QFileInfo::exists(QDir(folder).filePath(QStringLiteral("proxy.dat")))) {
        static const QRegularExpression credentials(QStringLiteral("^user(\\d+)\tuser\\1$"));
        const QString stored = Signature_module::LoadProxyCredentials(folder);
        if (!credentials.match(stored).hasMatch())
            return QStringLiteral("proxy.dat reads as \"%1\"").arg(stored);
    }
    const QString cookies = QDir(folder).filePath(QStringLiteral("cookies.ini"));
    if (QFileInfo::exists(cookies)) {
        const QString value
            = IniFile(cookies).RINI(QStringLiteral("Main"), QString::fromLatin1(StressRecords::CookieHost));
        if (!QRegularExpression(QStringLiteral("^sid=\\d+$")).match(value).hasMatch())
            return QStringLiteral("cookies.ini holds \"%1\"").arg(value);
    }
    return {};
}

// Every menu entry the first start registers in the desktop's data folder is complete, and so is the
// menu's cache that the desktop's tool writes beside them. (A kill during an atomic replace may leave its
// temporary file there; the menus ignore it.)
QString desktopFault(const QString& dataHome)
{
    const QDir folder(dataHome + QStringLiteral("/applications"));
    for (const QString& name : folder.entryList(QDir::Files)) {
        const QByteArray text = readAll(folder.filePath(name));
        if (name.endsWith(QLatin1String(".desktop"))
            && (!text.startsWith("[Desktop Entry]") || !text.contains("\nExec=") || !text.endsWith('\n')))
            return name + QStringLiteral(" is incomplete:\n") + QString::fromUtf8(text);
        if (name == QLatin1String("mimeinfo.cache") && !text.startsWith("[MIME Cache]"))
            return name + QStringLiteral(" is incomplete:\n") + QString::fromUtf8(text);
    }
    return {};
}

// The image links of the journal's records; a fault when a record is cut or torn. A record of the stress
// writer carries its number in each of its first three fields.
QString journalFault(const QString& folder, QStringList* links)
{
    const QByteArray text = readAll(Journal::JournalPath(folder));
    if (!text.isEmpty() && !text.endsWith("\r\n"))
        return QStringLiteral("the journal ends with a cut record: ") + QString::fromUtf8(text.right(200));
    static const QRegularExpression numbered(QStringLiteral("/(-?\\d+)\\.jpg$"));
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        const QStringList fields
            = QString::fromUtf8(line.chopped(line.endsWith('\r') ? 1 : 0)).split(QLatin1Char('\t'));
        if (fields.size() != 5 || fields.contains(QString()))
            return QStringLiteral("a torn record: ") + QString::fromUtf8(line);
        const QRegularExpressionMatch source = numbered.match(fields.at(0));
        if (fields.at(0).startsWith(QLatin1String("/pictures/"))
            && (!source.hasMatch() || fields.at(1) != StressRecords::ImageLink(source.captured(1).toInt())
                || fields.at(2) != StressRecords::PreviewLink(source.captured(1).toInt())))
            return QStringLiteral("a record of mixed pieces: ") + QString::fromUtf8(line);
        links->append(fields.at(1));
    }
    return {};
}

// The leftovers of an interrupted atomic replace.
QStringList temporaryFiles(const QString& folder)
{
    return QDir(folder).entryList(
        { QStringLiteral("*.ini.*"), QStringLiteral("proxy.dat.*") }, QDir::Files | QDir::Hidden);
}

// What start-up does with the settings and the journal, then the journal page: complete settings files,
// no leftovers, and every record on the page.
void startAndShowJournal(const QString& folder, const QStringList& links)
{
    OptionsModule(folder).LoadOptions();
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder, tables);
    QVERIFY(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("options.ini"))));
    QVERIFY(QFileInfo::exists(LinkTypes::LinkTypesPath(folder)));
    const QString fault = settingsFault(folder);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(temporaryFiles(folder), QStringList());
    if (links.isEmpty())
        return;
    const Journal::PageResult page = Journal::BuildJournalPage(folder);
    QVERIFY(page.status == Journal::PageResult::Status::Written);
    const QByteArray html = readAll(page.path);
    for (const QString& link : links)
        QVERIFY2(html.contains(link.toUtf8()), qPrintable(link));
}

// A moment in the n-th of `count` equal parts of `span` milliseconds, at a random place within it.
int spreadMoment(QRandomGenerator& random, int n, int count, qint64 span)
{
    const qint64 part = std::max<qint64>(1, span / count);
    return static_cast<int>(n * part + random.bounded(static_cast<int>(part)));
}

} // namespace

class tst_CrashDurability : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void writerKilled_data();
    void writerKilled();
    void programKilledDuringFirstStart();
    void programKilledDuringUpload();

private:
    // The start-up code that runs in this process registers the file-manager entries: never in the user's
    // own folders.
    QTemporaryDir m_home;
};

void tst_CrashDurability::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("share")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
}

void tst_CrashDurability::writerKilled_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("journal append") << QStringLiteral("journal");
    QTest::newRow("settings saves") << QStringLiteral("settings");
}

void tst_CrashDurability::writerKilled()
{
    QFETCH(QString, mode);
    TempProgramFolder folder;
    folder.copyShippedJournalTemplates();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
    QRandomGenerator random(20240611);
    constexpr int Kills = 10;
    for (int kill = 0; kill < Kills; ++kill) {
        QProcess writer;
        writer.setProcessEnvironment(environment);
        writer.start(QStringLiteral(STRESS_WRITER), { mode, folder.path() });
        QVERIFY(writer.waitForStarted(ProgramRig::StartTimeoutMs));
        QVERIFY(writer.waitForReadyRead(ProgramRig::StartTimeoutMs));
        QThread::msleep(static_cast<unsigned long>(spreadMoment(random, kill, Kills, 200)));
        writer.kill();
        QVERIFY(writer.waitForFinished(ProgramRig::ExitTimeoutMs));
        QVERIFY(writer.exitStatus() == QProcess::CrashExit);

        const QString context = QStringLiteral("kill %1").arg(kill);
        QString fault = settingsFault(folder.path());
        QVERIFY2(fault.isEmpty(), qPrintable(context + QStringLiteral(": ") + fault));
        fault = writerFilesFault(folder.path());
        QVERIFY2(fault.isEmpty(), qPrintable(context + QStringLiteral(": ") + fault));
        QStringList links;
        fault = journalFault(folder.path(), &links);
        QVERIFY2(fault.isEmpty(), qPrintable(context + QStringLiteral(": ") + fault));

        // The next start, and the record of its first upload on a line of its own.
        startAndShowJournal(folder.path(), links);
        if (QTest::currentTestFailed())
            return;
        if (mode == QLatin1String("journal")) {
            QVERIFY(Journal::AppendJournalRecord(folder.path(), StressRecords::Source(-kill),
                StressRecords::ImageLink(-kill), StressRecords::PreviewLink(-kill)));
            links.clear();
            QVERIFY(journalFault(folder.path(), &links).isEmpty());
            QCOMPARE(links.last(), StressRecords::ImageLink(-kill));
        }
    }
    if (mode == QLatin1String("journal")) { // the writer's records as well as the probes
        QStringList links;
        QVERIFY(journalFault(folder.path(), &links).isEmpty());
        QVERIFY(links.size() > 2 * Kills);
    }
}

void tst_CrashDurability::programKilledDuringFirstStart()
{
    ProgramRig rig;
    QVERIFY(rig.isReady());
    const QString dataHome = rig.home.filePath(QStringLiteral("share"));
    const auto firstStart = [&] {
        for (const QString& name : { QStringLiteral("options.ini"), QStringLiteral("linkTypes.ini") })
            QFile::remove(rig.filePath(name));
        QDir(rig.filePath(QStringLiteral("tmp"))).removeRecursively();
        QDir(dataHome).removeRecursively();
        return rig.start({});
    };

    // How long a whole first start takes here, so that the kills spread over all of it.
    QElapsedTimer clock;
    clock.start();
    QProcess* measured = firstStart();
    QVERIFY2(rig.waitForStartUp(measured), qPrintable(ProgramRig::report(measured)));
    const qint64 span = clock.elapsed();
    measured->terminate();
    QVERIFY2(ProgramRig::waitForExit(measured) && ProgramRig::exitedNormally(measured),
        qPrintable(ProgramRig::report(measured)));

    QRandomGenerator random(20240612);
    constexpr int Kills = 6;
    for (int kill = 0; kill < Kills; ++kill) {
        const QString context = QStringLiteral("kill %1 of %2 ms: ").arg(kill).arg(span);
        QProcess* program = firstStart();
        QVERIFY(ProgramRig::killAfter(program, spreadMoment(random, kill, Kills, span)));

        QString fault = settingsFault(rig.program.path());
        QVERIFY2(fault.isEmpty(), qPrintable(context + fault));
        fault = desktopFault(dataHome);
        QVERIFY2(fault.isEmpty(), qPrintable(context + fault));

        // The next start accepts what it finds and completes what is missing. (Its scratch folder shows
        // that it has got so far; the one of the killed start goes first.)
        QDir(rig.filePath(QStringLiteral("tmp"))).removeRecursively();
        QProcess* next = rig.start({});
        QVERIFY2(rig.waitForStartUp(next), qPrintable(context + ProgramRig::report(next)));
        next->terminate();
        QVERIFY2(ProgramRig::waitForExit(next) && ProgramRig::exitedNormally(next),
            qPrintable(context + ProgramRig::report(next)));
        QVERIFY(QFileInfo::exists(rig.filePath(QStringLiteral("options.ini"))));
        QVERIFY(QFileInfo::exists(rig.filePath(QStringLiteral("linkTypes.ini"))));
        fault = settingsFault(rig.program.path());
        QVERIFY2(fault.isEmpty(), qPrintable(context + fault));
        QCOMPARE(temporaryFiles(rig.program.path()), QStringList());
    }
}

void tst_CrashDurability::programKilledDuringUpload()
{
    ProgramRig rig;
    QVERIFY(rig.isReady());
    rig.server.enqueue(ScriptedHttpServer::reply(rig.replyWithLinks())); // every connection gets it

    // How long a whole unattended upload takes here.
    QElapsedTimer clock;
    clock.start();
    QProcess* measured = rig.start(rig.uploadArguments());
    QVERIFY2(ProgramRig::waitForExit(measured) && ProgramRig::exitedNormally(measured),
        qPrintable(ProgramRig::report(measured)));
    const qint64 span = clock.elapsed();
    QCOMPARE(rig.journal().count("\r\n"), 1);

    QRandomGenerator random(20240613);
    constexpr int Kills = 6;
    QStringList links;
    for (int kill = 0; kill < Kills; ++kill) {
        const QString context = QStringLiteral("kill %1 of %2 ms: ").arg(kill).arg(span);
        QProcess* program = rig.start(rig.uploadArguments());
        QVERIFY(ProgramRig::killAfter(program, spreadMoment(random, kill, Kills, span)));

        QString fault = settingsFault(rig.program.path());
        QVERIFY2(fault.isEmpty(), qPrintable(context + fault));
        links.clear();
        fault = journalFault(rig.program.path(), &links);
        QVERIFY2(fault.isEmpty(), qPrintable(context + fault));
        startAndShowJournal(rig.program.path(), links);
        if (QTest::currentTestFailed())
            return;
    }

    // The next start uploads as usual and journals on a line of its own.
    const qsizetype before = links.size();
    QProcess* next = rig.start(rig.uploadArguments());
    QVERIFY2(ProgramRig::waitForExit(next) && ProgramRig::exitedNormally(next), qPrintable(ProgramRig::report(next)));
    links.clear();
    QVERIFY(journalFault(rig.program.path(), &links).isEmpty());
    QCOMPARE(links.size(), before + 1);
    startAndShowJournal(rig.program.path(), links);
}

QTEST_MAIN(tst_CrashDurability)
#include "tst_CrashDurability.moc"
