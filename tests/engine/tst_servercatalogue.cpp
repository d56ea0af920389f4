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

    void listsCustomUploadersAmongScripts()
    {
        TempProgramFolder folder;
        for (const char* name : { "zeta.org.serv", "catbox.moe.sxcu", "Alpha.net.serv", "both.net.serv",
                 "both.net.sxcu", "nodot.sxcu", "upper.SXCU", "broken.example.sxcu", "b.ru.serv" })
            folder.writeFile(QStringLiteral("data/") + QLatin1String(name), "{");
        QCOMPARE(ServerCatalogue::BuildServerList(folder.path()),
            QStringList({ QStringLiteral("Alpha.net"), QStringLiteral("b.ru"), QStringLiteral("both.net"),
                QStringLiteral("broken.example"), QStringLiteral("catbox.moe"), QStringLiteral("nodot"),
                QStringLiteral("zeta.org") }));
    }

    void kindAndProblemOfAService_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("problem");
        QTest::newRow("script") << "pics.example" << int(ServerCatalogue::ProfileKind::Script) << QString();
        QTest::newRow("script wins over a file of the same name")
            << "both.example" << int(ServerCatalogue::ProfileKind::Script) << QString();
        QTest::newRow("usable custom uploader")
            << "good.example" << int(ServerCatalogue::ProfileKind::Sxcu) << QString();
        QTest::newRow("not JSON") << "broken.example" << int(ServerCatalogue::ProfileKind::Sxcu)
                                  << "Файл broken.example.sxcu: неверный JSON";
        QTest::newRow("body an image upload cannot use")
            << "text.example" << int(ServerCatalogue::ProfileKind::Sxcu) << "Файл text.example.sxcu: поле Body";
        QTest::newRow("missing") << "gone.example" << int(ServerCatalogue::ProfileKind::None) << QString();
        QTest::newRow("empty name") << "" << int(ServerCatalogue::ProfileKind::None) << QString();
    }

    void kindAndProblemOfAService()
    {
        QFETCH(QString, server);
        QFETCH(int, kind);
        QFETCH(QString, problem);
        TempProgramFolder folder;
        const QByteArray good = "{\"RequestURL\": \"https://good.example/up\", \"FileFormName\": \"file\"}";
        folder.writeFile(QStringLiteral("data/pics.example.serv"), "SERVER:x\r\n");
        folder.writeFile(QStringLiteral("data/both.example.serv"), "SERVER:x\r\n");
        folder.writeFile(QStringLiteral("data/both.example.sxcu"), "{");
        folder.writeFile(QStringLiteral("data/good.example.sxcu"), good);
        folder.writeFile(QStringLiteral("data/broken.example.sxcu"), "{\"RequestURL\": ");
        folder.writeFile(QStringLiteral("data/text.example.sxcu"),
            "{\"RequestURL\": \"https://text.example/up\", \"Body\": \"JSON\"}");
        QCOMPARE(int(ServerCatalogue::KindOf(folder.path(), server)), kind);
        const QString text = ServerCatalogue::SxcuProblem(folder.path(), server);
        QVERIFY2(problem.isEmpty() ? text.isEmpty() : text.startsWith(problem), qPrintable(text));
    }

    void customUploaderReadsItsInfo()
    {
        TempProgramFolder folder;
        folder.copyShippedData();
        const ServerInfo info = ServerCatalogue::LoadServerInfo(folder.path(), QStringLiteral("catbox.moe"));
        QCOMPARE(info.MaxSize, 209715200);
        QCOMPARE(
            ServerCatalogue::KindOf(folder.path(), QStringLiteral("catbox.moe")), ServerCatalogue::ProfileKind::Sxcu);
        QVERIFY(ServerCatalogue::BuildServerList(folder.path()).contains(QStringLiteral("litterbox.catbox.moe")));
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
