#include "app/ScratchFolder.h"

#include "support/TempProgramFolder.h"

#include <QtTest>

// Emptying the scratch folder at start-up and shut-down.
class TestScratchFolder final : public QObject
{
    Q_OBJECT

private slots:
    void prepareCreatesAMissingFolder_data();
    void prepareCreatesAMissingFolder();
    void emptyLeavesFoldersAndReadOnlyFiles();
};

void TestScratchFolder::prepareCreatesAMissingFolder_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("no folder") << false;
    QTest::newRow("empty folder") << true;
}

void TestScratchFolder::prepareCreatesAMissingFolder()
{
    QFETCH(bool, exists);
    TempProgramFolder folder;
    const QString tmp = ScratchFolder::Path(folder.path());
    QCOMPARE(tmp, folder.filePath(QStringLiteral("tmp")));
    if (exists)
        QVERIFY(QDir().mkpath(tmp));
    ScratchFolder::Prepare(tmp);
    QVERIFY(QFileInfo(tmp).isDir());
    QVERIFY(QDir(tmp).isEmpty());
}

void TestScratchFolder::emptyLeavesFoldersAndReadOnlyFiles()
{
    TempProgramFolder folder;
    folder.writeFile(QStringLiteral("tmp/tmp.bmp"), "bitmap");
    folder.writeFile(QStringLiteral("tmp/.hidden"), "x");
    folder.writeFile(QStringLiteral("tmp/keep/inner.png"), "png");
    folder.writeFile(QStringLiteral("tmp/read-only.gif"), "gif");
    const QString readOnly = folder.filePath(QStringLiteral("tmp/read-only.gif"));
    QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    ScratchFolder::Empty(ScratchFolder::Path(folder.path()));

    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("tmp/tmp.bmp"))));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("tmp/.hidden"))));
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("tmp/keep/inner.png"))));
    QVERIFY(QFile::exists(readOnly));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QTEST_GUILESS_MAIN(TestScratchFolder)
#include "tst_scratchfolder.moc"
