#include "links/LinkTypes.h"
#include "settings/Ini.h"
#include "support/TempProgramFolder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>

#include "platform/Shell.h"

namespace
{

QByteArray section(int slot, const char* enabled, const QString& title, const QByteArray& link)
{
    return "[Type" + QByteArray::number(slot) + "]\r\nEnabled=" + enabled + "\r\nTitle=" + title.toUtf8()
        + "\r\nLink=" + link + "\r\n";
}

LinkTables tablesWith(std::initializer_list<LinkTables::Slot> entries)
{
    LinkTables tables;
    int s = 1;
    for (const LinkTables::Slot& slot : entries)
        tables.slot(s++) = slot;
    return tables;
}

QByteArray linkTypesFile(const QByteArray& type1Enabled, const QByteArray& type2Enabled)
{
    return "[Type1]\r\nEnabled=" + type1Enabled
        + "\r\nTitle=One\r\nLink=1 IMGLINK\r\n[Type2]\r\nEnabled=" + type2Enabled
        + "\r\nTitle=Two\r\nLink=2 IMGLINK\r\n[Type3]\r\nEnabled=True\r\nTitle=Three\r\nLink=3 IMGLINK\r\n";
}

} // namespace

class tst_LinkTypes : public QObject
{
    Q_OBJECT

private slots:
    void freshFileHoldsTheBuiltInTable();
    void builtInTitlesUseTheExactLetters();
    void addLinkTypesListsEnabledTitles_data();
    void addLinkTypesListsEnabledTitles();
    void existingFileIsNotRewritten();
    void applyPattern_data();
    void applyPattern();
    void formatLink_data();
    void formatLink();
    void formatLinkWithoutImageLinkLeavesTheTextAlone();
    void entriesStandForEnabledSlots_data();
    void entriesStandForEnabledSlots();
    void startupPosition_data();
    void startupPosition();
    void saveSwitchesOffIncompleteSlots();
    void copyLinkPutsTheTextOnTheClipboard();
    void openLinkHandsTheTextToTheDesktop();
};

void tst_LinkTypes::freshFileHoldsTheBuiltInTable()
{
    TempProgramFolder folder;
    LinkTables tables;
    const QStringList entries = LinkTypes::AddLinkTypes(folder.path(), tables);

    const QString preview = QStringLiteral("C") + QStringLiteral("сылка на превью");
    const QString bbImage = QString(QChar(0x412)) + QChar(0x412) + QStringLiteral("-код изображения");
    const QString bbPreview = QString(QChar(0x412)) + QChar(0x412) + QStringLiteral("-код с превью");
    const QByteArray expected = section(1, "True", QStringLiteral("Прямая ссылка"), "IMGLINK")
        + section(2, "True", preview, "THLINK")
        + section(3, "True", QStringLiteral("HTML-код изображения"), "<img src=\"IMGLINK\">")
        + section(4, "True", QStringLiteral("HTML-код с превью"), "<a href=\"IMGLINK\"><img src=\"THLINK\"></a>")
        + section(5, "True", bbImage, "[img]IMGLINK[/img]")
        + section(6, "True", bbPreview, "[url=\"IMGLINK\"][img]THLINK[/img][/url]") + section(7, "False", {}, "");
    QCOMPARE(folder.readFile(QStringLiteral("linkTypes.ini")), expected);

    QCOMPARE(entries,
        QStringList({ QStringLiteral("Прямая ссылка"), preview, QStringLiteral("HTML-код изображения"),
            QStringLiteral("HTML-код с превью"), bbImage, bbPreview, QStringLiteral("Редактировать список...") }));
    QVERIFY(!tables.LinkEnabled(7));
    QCOMPARE(tables.LinkPatterns(4), QStringLiteral("<a href=\"IMGLINK\"><img src=\"THLINK\"></a>"));
    QCOMPARE(Ini::FileName(), LinkTypes::LinkTypesPath(folder.path()));
}

void tst_LinkTypes::builtInTitlesUseTheExactLetters()
{
    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    QCOMPARE(tables.LinkTitles(2).at(0).unicode(), char16_t(0x0043)); // Latin C
    QCOMPARE(tables.LinkTitles(2).at(1).unicode(), char16_t(0x0441)); // Cyrillic es
    for (int slot : { 5, 6 }) {
        QCOMPARE(tables.LinkTitles(slot).at(0).unicode(), char16_t(0x0412));
        QCOMPARE(tables.LinkTitles(slot).at(1).unicode(), char16_t(0x0412));
    }
}

void tst_LinkTypes::addLinkTypesListsEnabledTitles_data()
{
    QTest::addColumn<QByteArray>("type1Enabled");
    QTest::addColumn<QByteArray>("type2Enabled");
    QTest::addColumn<QStringList>("titles");

    QTest::newRow("both on") << QByteArray("True") << QByteArray("True") << QStringList { "One", "Two", "Three" };
    QTest::newRow("second off") << QByteArray("True") << QByteArray("False") << QStringList { "One", "Three" };
    QTest::newRow("boolean words in any case")
        << QByteArray("tRUE") << QByteArray("false") << QStringList { "One", "Three" };
    QTest::newRow("numbers, non-zero is on") << QByteArray("-1") << QByteArray("0") << QStringList { "One", "Three" };
    QTest::newRow("missing value reads as off")
        << QByteArray("") << QByteArray("True") << QStringList { "Two", "Three" };
    QTest::newRow("garbage reads as off") << QByteArray("yes") << QByteArray("on") << QStringList { "Three" };
}

void tst_LinkTypes::addLinkTypesListsEnabledTitles()
{
    QFETCH(QByteArray, type1Enabled);
    QFETCH(QByteArray, type2Enabled);
    QFETCH(QStringList, titles);

    TempProgramFolder folder;
    folder.writeFile(QStringLiteral("linkTypes.ini"), linkTypesFile(type1Enabled, type2Enabled));
    LinkTables tables;
    QStringList expected = titles;
    expected.append(LinkTypes::EditListEntry());
    QCOMPARE(LinkTypes::AddLinkTypes(folder.path(), tables), expected);
    QCOMPARE(tables.LinkTitles(2), QStringLiteral("Two")); // disabled slots keep their title and pattern
    QCOMPARE(tables.LinkPatterns(2), QStringLiteral("2 IMGLINK"));
    QVERIFY(tables.LinkTitles(7).isEmpty());
}

void tst_LinkTypes::existingFileIsNotRewritten()
{
    TempProgramFolder folder;
    const QByteArray content = linkTypesFile("True", "False");
    folder.writeFile(QStringLiteral("linkTypes.ini"), content);
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    QCOMPARE(folder.readFile(QStringLiteral("linkTypes.ini")), content);
}

void tst_LinkTypes::applyPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("imageLink");
    QTest::addColumn<QString>("previewLink");
    QTest::addColumn<QString>("expected");

    const QString a = QStringLiteral("http://h/a.jpg");
    const QString b = QStringLiteral("http://h/b.jpg");
    QTest::newRow("direct") << "IMGLINK" << a << b << a;
    QTest::newRow("BB with preview") << "[url=\"IMGLINK\"][img]THLINK[/img][/url]" << a << b
                                     << "[url=\"http://h/a.jpg\"][img]http://h/b.jpg[/img][/url]";
    QTest::newRow("image link twice") << "IMGLINK|IMGLINK" << a << b << "http://h/a.jpg|http://h/a.jpg";
    QTest::newRow("no placeholder copied unchanged") << "plain text <b>" << a << b << "plain text <b>";
    QTest::newRow("placeholders are case-sensitive") << "imglink Thlink" << a << b << "imglink Thlink";
    QTest::newRow("empty pattern") << "" << a << b << "";
    QTest::newRow("a link holding a placeholder word stays whole")
        << "IMGLINK THLINK"
        << "http://h/THLINK.jpg" << b << "http://h/THLINK.jpg http://h/b.jpg";
}

void tst_LinkTypes::applyPattern()
{
    QFETCH(QString, pattern);
    QFETCH(QString, imageLink);
    QFETCH(QString, previewLink);
    QFETCH(QString, expected);
    QCOMPARE(LinkTypes::ApplyPattern(pattern, imageLink, previewLink), expected);
}

void tst_LinkTypes::formatLink_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("previewLink");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("expectedPreview");

    const QString a = QStringLiteral("http://h/a.jpg");
    const QString b = QStringLiteral("http://h/b.jpg");
    QTest::newRow("A alone, preview link type gives A") << 1 << QString() << a << a;
    QTest::newRow("A alone, HTML with preview")
        << 3 << QString() << "<a href=\"http://h/a.jpg\"><img src=\"http://h/a.jpg\"></a>" << a;
    QTest::newRow("A and B, BB with preview")
        << 5 << b << "[url=\"http://h/a.jpg\"][img]http://h/b.jpg[/img][/url]" << b;
    QTest::newRow("nothing selected empties the text") << -1 << b << QString() << b;
}

void tst_LinkTypes::formatLink()
{
    QFETCH(int, position);
    QFETCH(QString, previewLink);
    QFETCH(QString, expectedText);
    QFETCH(QString, expectedPreview);

    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    const std::optional<QString> text
        = LinkTypes::FormatLink(folder.path(), tables, position, QStringLiteral("http://h/a.jpg"), previewLink);
    QVERIFY(text.has_value());
    QCOMPARE(*text, expectedText);
    QCOMPARE(previewLink, expectedPreview);
    QCOMPARE(LinkTypes::ReadStoredPosition(folder.path()), position);
}

void tst_LinkTypes::formatLinkWithoutImageLinkLeavesTheTextAlone()
{
    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);
    QString preview;
    QVERIFY(!LinkTypes::FormatLink(folder.path(), tables, 2, QString(), preview).has_value());
    QCOMPARE(LinkTypes::ReadStoredPosition(folder.path()), 2); // the choice is stored all the same
}

void tst_LinkTypes::entriesStandForEnabledSlots_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("slot");

    QTest::newRow("first entry, first slot") << 0 << 1;
    QTest::newRow("second entry skips disabled slot 2") << 1 << 3;
    QTest::newRow("third entry skips slots 2 and 5") << 3 << 6;
    QTest::newRow("edit entry stands for no slot") << 4 << 0;
    QTest::newRow("no selection") << -1 << 0;
}

void tst_LinkTypes::entriesStandForEnabledSlots()
{
    QFETCH(int, position);
    QFETCH(int, slot);
    const LinkTables tables = tablesWith({ { true, "1", "p1" }, { false, "2", "p2" }, { true, "3", "p3" },
        { true, "4", "p4" }, { false, "5", "p5" }, { true, "6", "p6" } });
    QCOMPARE(tables.slotForPosition(position), slot);
}

void tst_LinkTypes::startupPosition_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expected");

    QTest::newRow("valid position kept") << 2 << 2;
    QTest::newRow("negative gives first type") << -1 << 0;
    QTest::newRow("edit entry gives first type") << 3 << 0;
    QTest::newRow("past the end gives first type") << 40 << 0;
}

void tst_LinkTypes::startupPosition()
{
    QFETCH(int, stored);
    QFETCH(int, expected);
    const LinkTables tables = tablesWith({ { true, "1", "p1" }, { true, "2", "p2" }, { true, "3", "p3" } });
    QCOMPARE(LinkTypes::StartupPosition(stored, tables), expected);
    QCOMPARE(LinkTypes::StartupPosition(stored, LinkTables()), -1);
}

void tst_LinkTypes::saveSwitchesOffIncompleteSlots()
{
    TempProgramFolder folder;
    LinkTables tables;
    LinkTypes::AddLinkTypes(folder.path(), tables);

    LinkTables edited = tables;
    edited.slot(1).title.clear(); // on, no title
    edited.slot(2).pattern.clear(); // on, no pattern
    edited.slot(7) = { true, QStringLiteral(" Mine "), QStringLiteral(" <IMGLINK> ") }; // stored as typed
    const QStringList entries = LinkTypes::SaveLinkTypes(folder.path(), tables, edited);

    QVERIFY(!tables.LinkEnabled(1));
    QVERIFY(!tables.LinkEnabled(2));
    QVERIFY(tables.LinkEnabled(7));
    QCOMPARE(entries.size(), 6);
    QCOMPARE(entries.at(4), QStringLiteral(" Mine "));
    QCOMPARE(entries.last(), LinkTypes::EditListEntry());

    LinkTables reloaded;
    LinkTypes::AddLinkTypes(folder.path(), reloaded);
    QVERIFY(!reloaded.LinkEnabled(1));
    QVERIFY(!reloaded.LinkEnabled(2));
    QCOMPARE(reloaded.LinkPatterns(1), QStringLiteral("IMGLINK"));
    QVERIFY(reloaded.LinkEnabled(7));
    QVERIFY(folder.readFile(QStringLiteral("linkTypes.ini")).contains("[Type1]\r\nEnabled=False\r\nTitle=\r\n"));
}

void tst_LinkTypes::copyLinkPutsTheTextOnTheClipboard()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    LinkTypes::CopyLink(QStringLiteral("[img]http://h/a.jpg[/img]"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("[img]http://h/a.jpg[/img]"));
}

void tst_LinkTypes::openLinkHandsTheTextToTheDesktop()
{
    QStringList opened;
    Platform::SetOpenHook([&](const QString& target) { opened.append(target); });
    LinkTypes::OpenLink(QStringLiteral("http://h/a.jpg"));
    Platform::SetOpenHook({});
    QCOMPARE(opened, QStringList { QStringLiteral("http://h/a.jpg") });
}

QTEST_MAIN(tst_LinkTypes)
#include "tst_LinkTypes.moc"
