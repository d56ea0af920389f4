#include "image/ImageLimits.h"

#include <QTest>

using ImageLimits::CheckImageLimits;
using ImageLimits::Limits;

class TestImageLimits final : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data();
    void verdict();
    void acceptanceTest_data();
    void acceptanceTest();
};

void TestImageLimits::verdict_data()
{
    QTest::addColumn<qint16>("maxWidth");
    QTest::addColumn<qint16>("maxHeight");
    QTest::addColumn<qint32>("maxSize");
    QTest::addColumn<qint32>("width");
    QTest::addColumn<qint32>("height");
    QTest::addColumn<qint32>("size");
    QTest::addColumn<QString>("expected");

    const QString ok = QStringLiteral("Изображение имеет допустимые параметры для выбранного сервера");
    const QString wide = QStringLiteral("Ширина изображения превышает ");
    const QString high = QStringLiteral("Высота изображения превышает ");
    const QString heavy = QStringLiteral("Размер файла изображения превышает ");
    const QString crlf = QStringLiteral("\r\n");

    QTest::newRow("equal to every limit passes") << qint16(800) << qint16(600) << 200000 << 800 << 600 << 200000 << ok;
    QTest::newRow("all three exceeded: width, height, size in order")
        << qint16(800) << qint16(600) << 200000 << 801 << 601 << 200001
        << wide + "800" + crlf + high + "600" + crlf + heavy + "200000" + crlf;
    QTest::newRow("only the width") << qint16(800) << qint16(600) << 200000 << 801 << 600 << 200000
                                    << wide + "800" + crlf;
    QTest::newRow("only the height") << qint16(800) << qint16(600) << 200000 << 10 << 601 << 1 << high + "600" + crlf;
    QTest::newRow("only the size") << qint16(800) << qint16(600) << 200000 << 800 << 600 << 200001
                                   << heavy + "200000" + crlf;
    QTest::newRow("height and size, width skipped")
        << qint16(800) << qint16(600) << 200000 << 1 << 700 << 300000 << high + "600" + crlf + heavy + "200000" + crlf;
    QTest::newRow("zero limits: the substitutes exactly")
        << qint16(0) << qint16(0) << 0 << 30000 << 30000 << 999999999 << ok;
    QTest::newRow("zero limits: one over each substitute")
        << qint16(0) << qint16(0) << 0 << 30001 << 30001 << 1000000000
        << wide + "30000" + crlf + high + "30000" + crlf + heavy + "999999999" + crlf;
    QTest::newRow("zero width limit next to real ones")
        << qint16(0) << qint16(600) << 200000 << 25000 << 600 << 200000 << ok;
    QTest::newRow("negative limits are used as they are")
        << qint16(-1) << qint16(-5) << -10 << 0 << -5 << -10 << wide + "-1" + crlf;
    QTest::newRow("negative limits fail any real image") << qint16(
        -1) << qint16(-1) << -1 << 1 << 1 << 1 << wide + "-1" + crlf + high + "-1" + crlf + heavy + "-1" + crlf;
    QTest::newRow("no image yet fits any service") << qint16(1) << qint16(1) << 1 << 0 << 0 << 0 << ok;
    QTest::newRow("largest 16-bit limits")
        << qint16(32767) << qint16(32767) << 2147483647 << 32768 << 32767 << 2147483647 << wide + "32767" + crlf;
}

void TestImageLimits::verdict()
{
    QFETCH(qint16, maxWidth);
    QFETCH(qint16, maxHeight);
    QFETCH(qint32, maxSize);
    QFETCH(qint32, width);
    QFETCH(qint32, height);
    QFETCH(qint32, size);
    QFETCH(QString, expected);

    const QString verdict = CheckImageLimits(Limits { maxWidth, maxHeight, maxSize }, width, height, size);
    QCOMPARE(verdict, expected);
    QCOMPARE(ImageLimits::IsAcceptable(verdict), verdict == ImageLimits::AcceptanceMessage());
}

void TestImageLimits::acceptanceTest_data()
{
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<bool>("acceptable");

    QTest::newRow("acceptance message") << ImageLimits::AcceptanceMessage() << true;
    QTest::newRow("first word alone") << QStringLiteral("Изображение") << true;
    QTest::newRow("first word and anything") << QStringLiteral("Изображение слишком велико") << true;
    QTest::newRow("ten letters of it") << QStringLiteral("Изображени") << false;
    QTest::newRow("lower-case first letter") << QStringLiteral("изображение имеет") << false;
    QTest::newRow("width complaint") << QStringLiteral("Ширина изображения превышает 800\r\n") << false;
    QTest::newRow("size complaint") << QStringLiteral("Размер файла изображения превышает 1\r\n") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestImageLimits::acceptanceTest()
{
    QFETCH(QString, verdict);
    QFETCH(bool, acceptable);
    QCOMPARE(ImageLimits::IsAcceptable(verdict), acceptable);
}

QTEST_APPLESS_MAIN(TestImageLimits)
#include "tst_imagelimits.moc"
