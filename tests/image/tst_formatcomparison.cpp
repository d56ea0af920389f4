#include "image/FormatComparison.h"

#include <QtTest>

using FormatComparison::Failed;
using FormatComparison::Sizes;

Q_DECLARE_METATYPE(Sizes)

namespace
{

const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);
const QColor White(255, 255, 255);

} // namespace

class TestFormatComparison : public QObject
{
    Q_OBJECT

private slots:
    void compare_data()
    {
        QTest::addColumn<Sizes>("sizes");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QList<int>>("percent");
        QTest::addColumn<QList<QColor>>("colours");
        QTest::addColumn<QList<int>>("minSize");

        QTest::newRow("kilobytes, JPG smallest, GIF largest")
            << Sizes { 52000, 130000, 90000 } << QStringList { "50 Кб", "126 Кб", "87 Кб" } << QList<int> { 40, 100, 69 }
            << QList<QColor> { Green, Red, White } << QList<int> { 1 };
        QTest::newRow("one size below 1024: bytes for all")
            << Sizes { 800, 5000, 3000 } << QStringList { "800 б", "5000 б", "3000 б" } << QList<int> { 16, 100, 60 }
            << QList<QColor> { Green, Red, White } << QList<int> { 1 };
        QTest::newRow("1024 is a kilobyte")
            << Sizes { 1024, 2047, 2048 } << QStringList { "1 Кб", "1 Кб", "2 Кб" } << QList<int> { 50, 100, 100 }
            << QList<QColor> { Green, White, Red } << QList<int> { 1 };
        QTest::newRow("GIF and PNG equal and smallest: both green, PNG last")
            << Sizes { 9000, 4000, 4000 } << QStringList { "8 Кб", "3 Кб", "3 Кб" } << QList<int> { 100, 44, 44 }
            << QList<QColor> { Red, Green, Green } << QList<int> { 2, 3 };
        QTest::newRow("all equal: all green, every one raises MinSize")
            << Sizes { 3000, 3000, 3000 } << QStringList { "2 Кб", "2 Кб", "2 Кб" } << QList<int> { 100, 100, 100 }
            << QList<QColor> { Green, Green, Green } << QList<int> { 1, 2, 3 };
        QTest::newRow("halves go to the even neighbour")
            << Sizes { 5, 200, 3 } << QStringList { "5 б", "200 б", "3 б" } << QList<int> { 2, 100, 2 }
            << QList<QColor> { White, Red, Green } << QList<int> { 3 };
        QTest::newRow("sizes beyond 21 MB do not overflow")
            << Sizes { 30000000, 40000000, 50000000 } << QStringList { "29296 Кб", "39062 Кб", "48828 Кб" }
            << QList<int> { 60, 80, 100 } << QList<QColor> { Green, White, Red } << QList<int> { 1 };
        QTest::newRow("a failed variant takes no part")
            << Sizes { Failed, 4096, 800 } << QStringList { "ошибка записи", "4096 б", "800 б" }
            << QList<int> { 0, 100, 20 } << QList<QColor> { White, Red, Green } << QList<int> { 3 };
        QTest::newRow("all failed: nothing chosen")
            << Sizes { Failed, Failed, Failed } << QStringList { "ошибка записи", "ошибка записи", "ошибка записи" }
            << QList<int> { 0, 0, 0 } << QList<QColor> { White, White, White } << QList<int> {};
    }

    void compare()
    {
        QFETCH(Sizes, sizes);
        QFETCH(QStringList, labels);
        QFETCH(QList<int>, percent);
        QFETCH(QList<QColor>, colours);
        QFETCH(QList<int>, minSize);
        const FormatComparison::Result result = FormatComparison::Compare(sizes);
        for (int i = 0; i < FormatComparison::VariantCount; ++i) {
            const FormatComparison::Bar& bar = result.bars[std::size_t(i)];
            QCOMPARE(bar.label, labels.at(i));
            QCOMPARE(bar.percent, percent.at(i));
            QCOMPARE(bar.colour, colours.at(i));
            QCOMPARE(bar.failed, sizes[std::size_t(i)] == Failed);
        }
        QCOMPARE(result.minSize, minSize);
    }

    void barOfTheLargestTakes100Of140()
    {
        QCOMPARE(FormatComparison::BarWidth(280, 100), 200);
        QCOMPARE(FormatComparison::BarWidth(280, 0), 0);
        QCOMPARE(FormatComparison::BarWidth(280, 40), 80);
    }

    void variantFilesAndQualityList()
    {
        QCOMPARE(FormatComparison::CandidatePaths(QStringLiteral("/p/tmp")),
            QStringList({ "/p/tmp/tmp.jpg", "/p/tmp/tmp.gif", "/p/tmp/tmp.png" }));
        QCOMPARE(FormatComparison::CapturePath(QStringLiteral("/p/tmp")), QStringLiteral("/p/tmp/tmp.bmp"));
        const QStringList qualities = FormatComparison::QualityChoices();
        QCOMPARE(qualities.size(), 18);
        QCOMPARE(qualities.first(), QStringLiteral("15"));
        QCOMPARE(qualities.last(), QStringLiteral("100"));
        QCOMPARE(qualities.at(FormatComparison::DefaultQualityIndex), QStringLiteral("65"));
    }
};

QTEST_GUILESS_MAIN(TestFormatComparison)
#include "tst_formatcomparison.moc"
