// The built program started on damaged files: each settings file and the journal random, empty, a folder,
// huge or cut short; a second service's profile, its description and its request template random, empty or
// huge. The program starts, ends normally on SIGTERM, and an unattended upload to the good service still
// works, unless the start stops at its message about a file too large to read (then it waits for the user,
// still answering SIGTERM, and uploads nothing).

#include "ProgramRig.h"
#include "settings/Signature_module.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

namespace
{

constexpr int SettleMs = 1500; // how long a start that waits at a message is watched

enum class Damage { Random, Empty, Folder, Huge, Truncated };

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// Lines of plausible text, far beyond the one MiB that settings and profile files may have.
QByteArray hugeText()
{
    QByteArray line = "Key=" + QByteArray(120, 'v') + "\r\n";
    return "[Options]\r\n" + line.repeated(8 * 1024 * 1024 / line.size());
}

} // namespace

Q_DECLARE_METATYPE(Damage)

class tst_BadStartupFiles : public QObject
{
    Q_OBJECT

private slots:
    void damagedFile_data();
    void damagedFile();
};

void tst_BadStartupFiles::damagedFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<bool>("waitsAtMessage"); // the start shows that the file is too large and waits

    const QList<std::pair<const char*, Damage>> damages = { { "random", Damage::Random }, { "empty", Damage::Empty },
        { "a folder", Damage::Folder }, { "huge", Damage::Huge }, { "truncated", Damage::Truncated } };
    for (const QString& file : { QStringLiteral("options.ini"), QStringLiteral("linkTypes.ini"),
             QStringLiteral("cookies.ini"), QStringLiteral("proxy.dat"), QStringLiteral("journal.txt") }) {
        const bool checkedForSize = file == QLatin1String("options.ini") || file == QLatin1String("linkTypes.ini");
        for (const auto& [name, damage] : damages)
            QTest::addRow("%s %s", qPrintable(file), name)
                << file << damage << (checkedForSize && damage == Damage::Huge);
    }
    // 0bad.example sorts before every shipped service, so the start selects it and reads its description.
    for (const QString& file : { QStringLiteral("data/0bad.example.serv"), QStringLiteral("data/0bad.example.info"),
             QStringLiteral("data/0bad.example.post.txt") }) {
        for (const auto& [name, damage] : damages) {
            if (damage == Damage::Folder || damage == Damage::Truncated)
                continue;
            QTest::addRow("%s %s", qPrintable(file), name)
                << file << damage << (file.endsWith(QLatin1String(".info")) && damage == Damage::Huge);
        }
    }
}

void tst_BadStartupFiles::damagedFile()
{
    QFETCH(QString, file);
    QFETCH(Damage, damage);
    QFETCH(bool, waitsAtMessage);

    ProgramRig rig;
    QVERIFY(rig.isReady());
    rig.program.writeFile(QStringLiteral("data/0bad.example.serv"),
        "SERVER:" + rig.server.hostAndPort() + "\r\nSEND:0bad.example.post.txt\r\nLINK:href=\"http://*\"\r\nEND:\r\n");
    rig.program.writeFile(QStringLiteral("data/0bad.example.info"), "[Main]\r\nMaxSize=2048\r\n");
    rig.program.writeFile(QStringLiteral("data/0bad.example.post.txt"), "POST / HTTP/1.0\r\n\r\n{IMGDATA}");

    // A sound version of the file, for the one cut short.
    QByteArray sound;
    if (file == QLatin1String("proxy.dat")) {
        Signature_module::SaveProxyCredentials(rig.program.path(), QStringLiteral("user"), QStringLiteral("secret"));
        sound = rig.program.readFile(file);
        QVERIFY(!sound.isEmpty());
    } else if (file == QLatin1String("journal.txt")) {
        sound = "/home/u/a.jpg\thttp://h/i/1.jpg\thttp://h/t/1.jpg\t01.02.2024\t12:00:00\r\n";
    } else if (file == QLatin1String("linkTypes.ini")) {
        sound = "[Type1]\r\nEnabled=True\r\nTitle=Ссылка\r\nLink=IMGLINK\r\n";
    } else {
        sound = "[Main]\r\n" + rig.server.hostAndPort() + "=sid=1\r\n[Options]\r\nUseProxy=False\r\nProxyHost=\r\n";
    }
    switch (damage) {
    case Damage::Random:
        rig.program.writeFile(file, randomBytes(4096, 7));
        break;
    case Damage::Empty:
        rig.program.writeFile(file, QByteArray());
        break;
    case Damage::Folder:
        QFile::remove(rig.filePath(file));
        QVERIFY(QDir().mkpath(rig.filePath(file)));
        QVERIFY(QDir().mkpath(rig.filePath(file + QStringLiteral("/inside"))));
        break;
    case Damage::Huge:
        rig.program.writeFile(file, hugeText());
        break;
    case Damage::Truncated:
        rig.program.writeFile(file, sound.left(sound.size() / 2 + 1)); // in the middle of a UTF-8 letter, too
        break;
    }
    const QByteArray before = QFileInfo(rig.filePath(file)).isFile() ? rig.program.readFile(file) : QByteArray();

    // A plain start ends normally on SIGTERM, whether it waits at a message or not.
    QProcess* program = rig.start({});
    if (waitsAtMessage)
        QTest::qWait(SettleMs);
    else
        QVERIFY2(rig.waitForStartUp(program), qPrintable(ProgramRig::report(program)));
    QVERIFY2(program->state() == QProcess::Running, qPrintable(ProgramRig::report(program)));
    program->terminate();
    QVERIFY2(ProgramRig::waitForExit(program) && ProgramRig::exitedNormally(program),
        qPrintable(ProgramRig::report(program)));

    // The unattended upload to the good service.
    rig.server.enqueue(ScriptedHttpServer::reply(rig.replyWithLinks()));
    QProcess* upload = rig.start(rig.uploadArguments());
    if (waitsAtMessage) {
        QTest::qWait(SettleMs);
        QVERIFY2(upload->state() == QProcess::Running, qPrintable(ProgramRig::report(upload)));
        QCOMPARE(rig.server.connectionCount(), 0);
        upload->terminate();
        QVERIFY2(ProgramRig::waitForExit(upload) && ProgramRig::exitedNormally(upload),
            qPrintable(ProgramRig::report(upload)));
        return;
    }
    QVERIFY2(
        ProgramRig::waitForExit(upload) && ProgramRig::exitedNormally(upload), qPrintable(ProgramRig::report(upload)));
    QCOMPARE(rig.server.connectionCount(), 1);
    QVERIFY(rig.server.requests().at(0).contains(rig.picture));

    // The journal gained the record on a line of its own (a journal that is a folder cannot take it).
    const QString imageLink
        = QStringLiteral("http://") + QString::fromLatin1(rig.server.hostAndPort()) + QStringLiteral("/i/1.jpg");
    if (file == QLatin1String("journal.txt") && damage == Damage::Folder) {
        QVERIFY(QFileInfo(rig.filePath(file)).isDir());
        return;
    }
    const QByteArray journal = rig.journal();
    if (file == QLatin1String("journal.txt"))
        QVERIFY(journal.startsWith(before));
    QVERIFY(journal.endsWith("\r\n"));
    const QByteArray last = journal.chopped(2).mid(journal.chopped(2).lastIndexOf('\n') + 1);
    QCOMPARE(QString::fromUtf8(last).split(QLatin1Char('\t')).value(1), imageLink);
    QCOMPARE(QString::fromUtf8(last).split(QLatin1Char('\t')).value(0), rig.picturePath);
}

QTEST_MAIN(tst_BadStartupFiles)
#include "tst_BadStartupFiles.moc"
