#include "engine/ServerCatalogue.h"
#include "engine/ui/AboutServer.h"
#include "platform/Shell.h"
#include "support/TempProgramFolder.h"

#include <QLabel>
#include <QtTest>

class TestServerCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void listsOnlyDottedProfilesSortedByName()
    {
        TempProgramFolder folder;
        for (const char* name : { "zeta.org.serv", "alpha.net.serv", "nodot.serv", "beta.com.info", "b.ru.serv",
                 "alpha.net.post.txt", "upper.case.SERV", "Beta.org.serv" })
            folder.writeFile(QStringLiteral("data/") + QLatin1String(name), "SERVER:x\r\n");
        QCOMPARE(ServerCatalogue::BuildServerList(folder.path()),
            QStringList({ QStringLiteral("alpha.net"), QStringLiteral("b.ru"), QStringLiteral("Beta.org"),
                QStringLiteral("zeta.org") }));
    }

    void missingDataFolderGivesEmptyList()
    {
        TempProgramFolder folder;
        QVERIFY(ServerCatalogue::BuildServerList(folder.path()).isEmpty());
    }

    void readsInfoValues()
    {
        TempProgramFolder folder;
        folder.writeFile(QStringLiteral("data/pics.example.info"),
            "[Main]\r\nMaxWidth=800\r\nMaxSize=1500\r\nURL=http://pics.example\r\n"
            "URLtoRules=http://pics.example/rules\r\nHostTime=30 дней\r\n");
        const ServerInfo info = ServerCatalogue::LoadServerInfo(folder.path(), QStringLiteral("pics.example"));
        QCOMPARE(info.MaxWidth, qint16(800));
        QCOMPARE(info.MaxHeight, qint16(0));
        QCOMPARE(info.MaxSize, 1500);
        QCOMPARE(info.URL, QStringLiteral("http://pics.example"));
        QCOMPARE(info.HostTime, QStringLiteral("30 дней"));
        QCOMPARE(ServerCatalogue::MaxSizeText(info), QStringLiteral("1 Kb"));
        QCOMPARE(ServerCatalogue::MaxDimensionsText(info), QStringLiteral("800 x 0"));
    }

    void missingInfoMeansNoLimitsAndNothingKnown()
    {
        TempProgramFolder folder;
        const ServerInfo info = ServerCatalogue::LoadServerInfo(folder.path(), QStringLiteral("gone.example"));
        QCOMPARE(info.MaxWidth, qint16(0));
        QCOMPARE(info.MaxSize, 0);
        QCOMPARE(ServerCatalogue::MaxSizeText(info), QStringLiteral("Неограничено"));
        QCOMPARE(ServerCatalogue::MaxDimensionsText(info), QStringLiteral("Неограничено"));
        QCOMPARE(ServerCatalogue::HostTimeText(info), QStringLiteral("Неизвестно"));
    }

    void informationWindowShowsTheFiveRows()
    {
        ServerInfo info;
        info.URL = QStringLiteral("http://pics.example/?a=1&b=<2>");
        info.MaxHeight = 600;
        info.MaxSize = 2 * 1024 * 1024;
        AboutServer window(info);
        QCOMPARE(window.windowTitle(), QStringLiteral("Информация о сервере"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("MaxSize"))->text(), QStringLiteral("2048 Kb"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("MaxDimensions"))->text(), QStringLiteral("0 x 600"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("HostTime"))->text(), QStringLiteral("Неизвестно"));
        QVERIFY(window.findChild<QLabel*>(QStringLiteral("URL"))->text().contains(QStringLiteral("&amp;b=&lt;2&gt;")));
    }

    void informationWindowOpensAddressesAsWritten_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("site address") << QStringLiteral("URL");
        QTest::newRow("rules address") << QStringLiteral("URLtoRules");
    }

    void informationWindowOpensAddressesAsWritten()
    {
        QFETCH(QString, label);
        ServerInfo info;
        info.URL = QStringLiteral("http://pics.example/?a=1&b=<2>");
        info.URLtoRules = QStringLiteral("pics.example/Правила");
        QStringList opened;
        Platform::SetOpenHook([&opened](const QString& target) { opened << target; });
        AboutServer window(info);
        QLabel* value = window.findChild<QLabel*>(label);
        QVERIFY(value);
        emit value->linkActivated(QStringLiteral("#"));
        Platform::SetOpenHook({});
        QCOMPARE(opened, QStringList { label == QLatin1String("URL") ? info.URL : info.URLtoRules });
    }
};

QTEST_MAIN(TestServerCatalogue)
#include "tst_servercatalogue.moc"
