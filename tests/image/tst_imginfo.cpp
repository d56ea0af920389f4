#include "image/ui/IMGinfo.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestIMGinfo final : public QObject
{
    Q_OBJECT

private slots:
    void showsVerdict_data();
    void showsVerdict();
    void okCloses();
};

void TestIMGinfo::showsVerdict_data()
{
    QTest::addColumn<qint32>("width");
    QTest::addColumn<qint32>("height");
    QTest::addColumn<qint32>("size");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<QString>("label");

    QTest::newRow("fits") << 800 << 600 << 200000 << true
                          << QStringLiteral("Изображение имеет допустимые параметры для выбранного сервера");
    QTest::newRow("three limits exceeded, one per line")
        << 801 << 601 << 200001 << false
        << QStringLiteral("Ширина изображения превышает 800\nВысота изображения превышает 600\n"
                          "Размер файла изображения превышает 200000");
    QTest::newRow("only the size") << 10 << 10 << 300000 << false
                                   << QStringLiteral("Размер файла изображения превышает 200000");
}

void TestIMGinfo::showsVerdict()
{
    QFETCH(qint32, width);
    QFETCH(qint32, height);
    QFETCH(qint32, size);
    QFETCH(bool, fits);
    QFETCH(QString, label);

    IMGinfo window(ImageLimits::Limits { 800, 600, 200000 }, width, height, size);
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("Информация"));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Label1"))->text(), label);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Image1"))->isVisible(), fits);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Image2"))->isVisible(), !fits);
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("XpB1"))->text(), QStringLiteral("ОК"));
    QCOMPARE(window.findChild<QWidget*>(QStringLiteral("BG"))->geometry(), window.rect());
    QCOMPARE(ImageLimits::IsAcceptable(window.Verdict()), fits);
}

void TestIMGinfo::okCloses()
{
    IMGinfo window(ImageLimits::Limits {}, 1, 1, 1);
    window.show();
    QVERIFY(window.isVisible());
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("XpB1")), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestIMGinfo)
#include "tst_imginfo.moc"
