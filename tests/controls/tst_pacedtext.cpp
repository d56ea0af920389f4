#include "controls/PacedText.h"

#include <QLabel>
#include <QtTest>

class tst_PacedText : public QObject
{
    Q_OBJECT

private slots:
    void textsWithinTheGapWaitAndTheNewestIsDrawn();
    void waitingTextIsDrawnWhenTheGapHasPassed();
};

void tst_PacedText::textsWithinTheGapWaitAndTheNewestIsDrawn()
{
    QLabel label;
    PacedText paced(&label, 3600 * 1000);
    paced.flush();
    QCOMPARE(label.text(), QString());

    paced.show(QStringLiteral("1 Кб"));
    QCOMPARE(label.text(), QStringLiteral("1 Кб"));
    QVERIFY(!paced.isWaiting());

    paced.show(QStringLiteral("2 Кб"));
    paced.show(QString());
    paced.show(QStringLiteral("Закачка прервана"));
    QCOMPARE(label.text(), QStringLiteral("1 Кб"));
    QVERIFY(paced.isWaiting());

    paced.flush();
    QCOMPARE(label.text(), QStringLiteral("Закачка прервана"));
    QVERIFY(!paced.isWaiting());

    // An empty text is a text too: it replaces what is shown.
    paced.show(QString());
    paced.flush();
    QCOMPARE(label.text(), QString());
}

void tst_PacedText::waitingTextIsDrawnWhenTheGapHasPassed()
{
    QLabel label;
    PacedText paced(&label, 1);
    paced.show(QStringLiteral("a"));
    paced.show(QStringLiteral("b"));
    QTRY_COMPARE(label.text(), QStringLiteral("b"));
    QVERIFY(!paced.isWaiting());
}

QTEST_MAIN(tst_PacedText)
#include "tst_pacedtext.moc"
