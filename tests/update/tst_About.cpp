#include "UpdateRig.h"

#include "platform/Shell.h"
#include "support/FindControl.h"
#include "support/MessageRecorder.h"
#include "update/ui/About.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace
{

constexpr int Wait = 60000;

} // namespace

class tst_About : public QObject
{
    Q_OBJECT

private slots:
    void showsVersionSiteAndAuthor();
    void linksOpenTheMakersPages();
    void redMarkBlinks();
    void okClosesTheWindow();
    void checkButtonShowsTheOutcome_data();
    void checkButtonShowsTheOutcome();
};

void tst_About::showsVersionSiteAndAuthor()
{
    TempProgramFolder folder;
    About about(folder.path(), Settings());
    QCOMPARE(about.windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(FindControl<QLabel>(about, "Version")->text(), QStringLiteral("Версия 1.1"));
    QVERIFY(FindControl<QLabel>(about, "Label6")->text().contains(QStringLiteral(">http://pictoferry.org/<")));
    QVERIFY(FindControl<QLabel>(about, "Label4")->text().contains(QStringLiteral(">Форум<")));
    QCOMPARE(FindControl<QLabel>(about, "Author")->text(), QStringLiteral("Команда Pictoferry"));
    QCOMPARE(FindControl<QPushButton>(about, "GoUpgrade")->text(), QStringLiteral("Проверить обновление"));
    QCOMPARE(FindControl<QPushButton>(about, "ok")->text(), QStringLiteral("ОК"));
    const QStringList captions { QStringLiteral("Официальный сайт:"), QStringLiteral("Обсуждение программы:"),
        QStringLiteral("Автор:") };
    QStringList shown;
    for (const QLabel* label : about.findChildren<QLabel*>())
        shown << label->text();
    for (const QString& caption : captions)
        QVERIFY2(shown.contains(caption), qPrintable(caption));
}

void tst_About::linksOpenTheMakersPages()
{
    QStringList opened;
    Platform::SetOpenHook([&opened](const QString& target) { opened << target; });
    TempProgramFolder folder;
    About about(folder.path(), Settings());
    emit FindControl<QLabel>(about, "Label6")->linkActivated(QStringLiteral("#"));
    emit FindControl<QLabel>(about, "Label4")->linkActivated(QStringLiteral("#"));
    Platform::SetOpenHook({});
    QCOMPARE(opened,
        QStringList({ QStringLiteral("http://pictoferry.org/"),
            QStringLiteral("http://pictoferry.org/forum/viewforum.php?f=8") }));
}

void tst_About::redMarkBlinks()
{
    TempProgramFolder folder;
    About about(folder.path(), Settings());
    auto* timer = about.findChild<QTimer*>(QStringLiteral("ATimer"));
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 800);
    const QLabel* mark = FindControl<QLabel>(about, "A");
    QVERIFY(!mark->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(mark->isHidden(), Wait);
    QTRY_VERIFY_WITH_TIMEOUT(!mark->isHidden(), Wait);
}

void tst_About::okClosesTheWindow()
{
    TempProgramFolder folder;
    About about(folder.path(), Settings());
    about.show();
    QTest::mouseClick(FindControl<QPushButton>(about, "ok"), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

void tst_About::checkButtonShowsTheOutcome_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("box");

    QTest::newRow("newest") << UpdateRig::ok("1.1") << QStringLiteral("Ваша версия самая новая") << false;
    QTest::newRow("found") << UpdateRig::ok("1.2") << QStringLiteral("Найдена версия 1.2") << true;
    QTest::newRow("error") << UpdateRig::notFound() << QStringLiteral("Ошибка подключения к серверу") << false;
}

// The button shows the waiting caption at once and takes no second press until the check is over;
// a different version is also shown in an information box.
void tst_About::checkButtonShowsTheOutcome()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, caption);
    QFETCH(bool, box);

    UpdateRig rig;
    QVERIFY(rig.start());
    rig.serve(reply);
    MessageRecorder messages;
    About about(rig.folder.path(), rig.settings);
    about.show();
    auto* goUpgrade = FindControl<QPushButton>(about, "GoUpgrade");
    const QSize windowSize = about.size();

    QTest::mouseClick(goUpgrade, Qt::LeftButton);
    QCOMPARE(goUpgrade->text(), QStringLiteral("Проверка обновления. Ждите..."));
    QVERIFY(!goUpgrade->isEnabled());
    QTest::mouseClick(goUpgrade, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(goUpgrade->isEnabled(), Wait);

    QCOMPARE(goUpgrade->text(), caption);
    QVERIFY(rig.server.connectionCount() <= 2);
    QVERIFY(rig.server.requests().first().startsWith("GET /picferry/version.info?rnd="));
    QCOMPARE(about.size(), windowSize);
    QCOMPARE(messages.messages().size(), box ? 1 : 0);
    if (box) {
        const Platform::MessageRecord& record = messages.messages().first();
        QCOMPARE(record.text, caption);
        QCOMPARE(record.title, QStringLiteral("Информация"));
        QCOMPARE(record.icon, Platform::MessageIcon::Information);
    }
    QVERIFY(!rig.versionFileRemains());
}

QTEST_MAIN(tst_About)
#include "tst_About.moc"
