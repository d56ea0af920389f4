#include "engine/AutomaticStart.h"

#include <QTest>

class tst_AutomaticStart : public QObject
{
    Q_OBJECT

private slots:
    void imagePath_data();
    void imagePath();
    void serverIndex_data();
    void serverIndex();
};

void tst_AutomaticStart::imagePath_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("cmdFile");
    QTest::addColumn<QString>("expected");

    QTest::newRow("quoted path loses its quotes") << "\"/home/u/a b.jpg\"" << false << QString() << "/home/u/a b.jpg";
    QTest::newRow("every quote goes") << "\"/home/u/a\"b.jpg\"" << false << QString() << "/home/u/ab.jpg";
    QTest::newRow("unquoted path as it is") << "/home/u/a.jpg" << false << QString() << "/home/u/a.jpg";
    QTest::newRow("quote at one end only stays") << "\"/home/u/a.jpg" << false << QString() << "\"/home/u/a.jpg";
    QTest::newRow("accepted command line takes the file") << "\"/home/u/a.jpg\" -u=x.y" << true << "/home/u/a.jpg"
                                                          << "/home/u/a.jpg";
    QTest::newRow("accepted, quoted file") << "ignored" << true << "\"/p/b.png\""
                                           << "/p/b.png";
}

void tst_AutomaticStart::imagePath()
{
    QFETCH(QString, commandLine);
    QFETCH(bool, accepted);
    QFETCH(QString, cmdFile);
    QFETCH(QString, expected);
    QCOMPARE(AutomaticStart::ImagePath(commandLine, accepted, cmdFile), expected);
}

void tst_AutomaticStart::serverIndex_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("expected");

    QTest::newRow("first server") << "a.test" << 2 << 0;
    QTest::newRow("last server") << "c.test" << 0 << 2;
    QTest::newRow("case-sensitive: no match keeps the selection") << "A.test" << 1 << 1;
    QTest::newRow("empty name keeps the selection") << QString() << 1 << 1;
}

void tst_AutomaticStart::serverIndex()
{
    QFETCH(QString, server);
    QFETCH(int, current);
    QFETCH(int, expected);
    const QStringList servers { QStringLiteral("a.test"), QStringLiteral("b.test"), QStringLiteral("c.test") };
    QCOMPARE(AutomaticStart::ServerIndex(servers, server, current), expected);
}

QTEST_GUILESS_MAIN(tst_AutomaticStart)
#include "tst_AutomaticStart.moc"
