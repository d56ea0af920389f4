#include "settings/IniFile.h"

#include <QtTest>

#include <QProcess>
#include <QRandomGenerator>

// A first run killed at any moment leaves options.ini and linkTypes.ini each either complete or absent.
class TestFirstRunKilled final : public QObject
{
    Q_OBJECT

private slots:
    void killedAtRandomMoments();

private:
    static bool complete(const QString& path, const QList<std::pair<QString, QStringList>>& layout);
};

bool TestFirstRunKilled::complete(const QString& path, const QList<std::pair<QString, QStringList>>& layout)
{
    if (!QFileInfo::exists(path))
        return true;
    const IniFile file(path);
    for (const auto& [section, keys] : layout) {
        for (const QString& key : keys) {
            if (!file.HasKey(section, key)) {
                qWarning("%s lacks [%s] %s", qPrintable(path), qPrintable(section), qPrintable(key));
                return false;
            }
        }
    }
    return true;
}

void TestFirstRunKilled::killedAtRandomMoments()
{
    QTemporaryDir folder;
    QTemporaryDir desktop;
    QVERIFY(folder.isValid() && desktop.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), desktop.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), desktop.path());

    const QList<std::pair<QString, QStringList>> options = { { QStringLiteral("Options"),
        { QStringLiteral("UseProxy"), QStringLiteral("ProxyHost"), QStringLiteral("ProxyPort"),
            QStringLiteral("ProxyAuth"), QStringLiteral("LimitJournal"), QStringLiteral("JournalRows"),
            QStringLiteral("CommandLine") } } };
    QList<std::pair<QString, QStringList>> linkTypes;
    for (int slot = 1; slot <= 7; ++slot)
        linkTypes.append({ QStringLiteral("Type%1").arg(slot),
            { QStringLiteral("Enabled"), QStringLiteral("Title"), QStringLiteral("Link") } });

    QRandomGenerator random(20240611);
    for (int run = 0; run < 25; ++run) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QStringLiteral(FIRSTRUN_CHILD), { folder.path() });
        QVERIFY(child.waitForStarted(30000));
        QVERIFY(child.waitForReadyRead(30000));
        QThread::usleep(random.bounded(1000, 40000));
        child.kill();
        QVERIFY(child.waitForFinished(30000));

        QVERIFY2(complete(folder.filePath(QStringLiteral("options.ini")), options), qPrintable(QString::number(run)));
        QVERIFY2(
            complete(folder.filePath(QStringLiteral("linkTypes.ini")), linkTypes), qPrintable(QString::number(run)));
    }
}

QTEST_GUILESS_MAIN(TestFirstRunKilled)
#include "tst_FirstRunKilled.moc"
