#include "journal/Journal.h"
#include "journal/ui/ShowJournal.h"
#include "support/MessageRecorder.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <QtTest>

namespace
{

const QDateTime When(QDate(2024, 3, 9), QTime(14, 5, 7));

// A row template that shows every value plainly, one row per line.
const QByteArray RowTemplate = "<tr>NUMBER|FILEPATH|IMGLINK|THLINK|DATE|TIME|FILENAME</tr>";
const QByteArray BodyTemplate = "<body><!--INSERT_NOTE --><!--INSERT_TABLE --></body>";
const QString LimitNote
    = QStringLiteral("Показаны только последние записи журнала (не больше %1), как задано в настройках.");

void writeTemplates(const TempProgramFolder& folder, const QByteArray& row = RowTemplate)
{
    folder.writeFile(QStringLiteral("journal/body.htm"), BodyTemplate);
    folder.writeFile(QStringLiteral("journal/table.htm"), row);
    folder.writeFile(QStringLiteral("journal/clipboard.gif"), "GIF89a");
    folder.writeFile(QStringLiteral("journal/nofile.gif"), "GIF89a");
}

// An executable xdg-open in the folder's bin/, for a PATH that points there.
void writeFakeXdgOpen(const TempProgramFolder& folder)
{
    folder.writeFile(QStringLiteral("bin/xdg-open"), "#!/bin/sh\n");
    QFile::setPermissions(folder.filePath(QStringLiteral("bin/xdg-open")), QFile::ReadOwner | QFile::ExeOwner);
}

QString page(const TempProgramFolder& folder)
{
    return QString::fromUtf8(folder.readFile(QStringLiteral("journal/journal.htm")));
}

// The cells of every row on the page, top to bottom.
QList<QStringList> rows(const TempProgramFolder& folder)
{
    QList<QStringList> result;
    static const QRegularExpression row(QStringLiteral("<tr>(.*?)</tr>"));
    auto it = row.globalMatch(page(folder));
    while (it.hasNext())
        result.append(it.next().captured(1).split(u'|'));
    return result;
}

QStringList numbers(const TempProgramFolder& folder)
{
    QStringList result;
    for (const QStringList& cells : rows(folder))
        result.append(cells.value(0));
    return result;
}

QString fileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

QByteArray record(const QByteArray& source, const QByteArray& link)
{
    return source + '\t' + link + '\t' + link + "\t09.03.2024\t14:05:07\r\n";
}

// Makes a PATH with only the given folder, restored when the object goes.
class PathOverride final
{
public:
    explicit PathOverride(const QString& folder)
        : m_saved(qgetenv("PATH"))
    {
        qputenv("PATH", QFile::encodeName(folder));
    }
    ~PathOverride() { qputenv("PATH", m_saved); }
    PathOverride(const PathOverride&) = delete;
    PathOverride& operator=(const PathOverride&) = delete;

private:
    QByteArray m_saved;
};

// What happens to the journal or to its line checkpoint between two limited pages.
enum class JournalChange {
    Append,
    RemoveEarlyLineInPlace,
    RemoveEarlyLineInPlaceThenAppend,
    Truncate,
    TruncateThenGrowPastTheOldEnd,
    SplitMiddleLineInANewFile,
    GarbageCheckpoint,
    EmptyCheckpoint,
    MissingCheckpoint,
    CheckpointCannotBeWritten,
    ReadOnlyProgramFolder,
};

// Records numbered from..to, each with its number in the source and the link; long enough together that
// the middle of the journal lies outside the stretches the checkpoint hashes.
QByteArray numberedRecords(int from, int to)
{
    QByteArray records;
    for (int i = from; i <= to; ++i)
        records += record("/gone/" + QByteArray::number(i) + ".jpg", "http://h/" + QByteArray::number(i));
    return records;
}

void appendRecords(const TempProgramFolder& folder, int from, int to)
{
    for (int i = from; i <= to; ++i)
        QVERIFY(Journal::AppendJournalRecord(folder.path(), QStringLiteral("/gone/%1.jpg").arg(i),
            QStringLiteral("http://h/%1").arg(i), QStringLiteral("http://h/%1").arg(i), When));
}

// Writes the journal over its old bytes, keeping the file (an editor that saves in place).
void rewriteInPlace(const TempProgramFolder& folder, const QByteArray& journal)
{
    QFile file(Journal::JournalPath(folder.path()));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.write(journal) == journal.size() && file.resize(journal.size()));
}

} // namespace

Q_DECLARE_METATYPE(JournalChange)

class tst_Journal : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void appendWritesTabSeparatedRecords();
    void deletionLinkIsTheSixthField();
    void source_data();
    void source();
    void fieldsCannotBreakARecord();
    void appendAfterACutRecord_data();
    void appendAfterACutRecord();
    void threeUploadsNewestFirst();
    void picture_data();
    void picture();
    void valuesAreEscaped();
    void valuesAreNotTakenForPlaceholders();
    void rowTemplate_data();
    void rowTemplate();
    void shortLinesSkipped();
    void deletionLinkOnThePage_data();
    void deletionLinkOnThePage();
    void rowLimit_data();
    void rowLimit();
    void limitedPageEqualsWholePage_data();
    void limitedPageEqualsWholePage();
    void lineCheckpoint_data();
    void lineCheckpoint();
    void emptyJournalGivesNoRows();
    void pageIsReplacedNotAppended();
    void missingTemplateWritesNoPage_data();
    void missingTemplateWritesNoPage();
    void shippedTemplatesMakeAPage();
    void showJournalWithoutJournal();
    void showJournalOpensPageWithXdgOpen();
    void showJournalWithoutXdgOpen();
    void showJournalReportsMissingTemplate();
    void showJournalReportsFailedStart();
};

void tst_Journal::cleanup()
{
    Journal::SetLauncherHook({});
}

void tst_Journal::appendWritesTabSeparatedRecords()
{
    TempProgramFolder folder;
    const QString image = folder.filePath(QStringLiteral("pics/кот.jpg"));
    QVERIFY(Journal::AppendJournalRecord(
        folder.path(), image, QStringLiteral("http://h/a.jpg"), QStringLiteral("http://h/a_t.jpg"), When));
    QVERIFY(Journal::AppendJournalRecord(
        folder.path(), image, QStringLiteral("http://h/b.jpg"), QStringLiteral("http://h/b.jpg"), When));

    const QByteArray line
        = (QStringList { image, "http://h/a.jpg", "http://h/a_t.jpg", Journal::DateText(When), Journal::TimeText(When) }
                .join(u'\t')
            + QStringLiteral("\r\n"))
              .toUtf8();
    const QByteArray journal = folder.readFile(QStringLiteral("journal.txt"));
    QVERIFY(journal.startsWith(line));
    QCOMPARE(journal.count("\r\n"), 2);
    QVERIFY(journal.endsWith("\thttp://h/b.jpg\thttp://h/b.jpg\t" + Journal::DateText(When).toUtf8() + '\t'
        + Journal::TimeText(When).toUtf8() + "\r\n"));
    QVERIFY(Journal::TimeText(When).contains(QStringLiteral("05")));
    QVERIFY(!Journal::DateText(When).isEmpty());
}

void tst_Journal::deletionLinkIsTheSixthField()
{
    TempProgramFolder folder;
    QVERIFY(Journal::AppendJournalRecord(folder.path(), QStringLiteral("/a.jpg"), QStringLiteral("http://h/a.jpg"),
        QStringLiteral("http://h/a.jpg"), When, QStringLiteral("https://h/delete/a\tb")));
    QVERIFY(Journal::AppendJournalRecord(folder.path(), QStringLiteral("/b.jpg"), QStringLiteral("http://h/b.jpg"),
        QStringLiteral("http://h/b.jpg"), When));
    const QList<QByteArray> lines = folder.readFile(QStringLiteral("journal.txt")).split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0].split('\t').size(), 6);
    QVERIFY(lines[0].endsWith("\thttps://h/delete/a b\r"));
    QCOMPARE(lines[1].split('\t').size(), 5); // without a deletion link the record is as it always was
}

void tst_Journal::source_data()
{
    QTest::addColumn<QString>("relativeOrAbsolute");
    QTest::addColumn<bool>("clipboard");

    QTest::newRow("clipboard JPEG in the program's tmp") << "@/tmp/tmp.jpg" << true;
    QTest::newRow("clipboard PNG in the program's tmp") << "@/tmp/tmp.png" << true;
    QTest::newRow("doubled slash in the path") << "@//tmp/tmp.gif" << true;
    QTest::newRow("other file in the program's tmp") << "@/tmp/photo.jpg" << false;
    QTest::newRow("case differs") << "@/TMP/tmp.jpg" << false;
    QTest::newRow("system tmp") << "/tmp/tmp.jpg" << false;
    QTest::newRow("file elsewhere") << "/home/u/pic.png" << false;
}

void tst_Journal::source()
{
    QFETCH(QString, relativeOrAbsolute);
    QFETCH(bool, clipboard);
    TempProgramFolder folder;
    const QString path = relativeOrAbsolute.replace(QStringLiteral("@"), folder.path());
    QCOMPARE(Journal::SourceFor(folder.path(), path), clipboard ? QStringLiteral("Clipboard") : path);
    QCOMPARE(Journal::SourceFor(folder.path() + u'/', path), clipboard ? QStringLiteral("Clipboard") : path);
}

void tst_Journal::fieldsCannotBreakARecord()
{
    TempProgramFolder folder;
    QVERIFY(Journal::AppendJournalRecord(folder.path(), QStringLiteral("/a\tb.jpg"),
        QStringLiteral("http://h/x\r\n.jpg"), QStringLiteral("http://h/\ty") + QChar(u'\0') + u'z', When));
    const QByteArray journal = folder.readFile(QStringLiteral("journal.txt"));
    QCOMPARE(journal.count("\r\n"), 1);
    QCOMPARE(journal.count('\n'), 1);
    QCOMPARE(journal.count('\t'), 4);
    QVERIFY(!journal.contains('\0'));
    QVERIFY(journal.startsWith("/a b.jpg\thttp://h/x  .jpg\thttp://h/ y z\t"));
}

void tst_Journal::appendAfterACutRecord_data()
{
    QTest::addColumn<QByteArray>("journal");
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<QStringList>("expected");

    const QByteArray first = record("/1.jpg", "http://h/1.jpg");
    QTest::newRow("no journal yet") << QByteArray() << QByteArray() << QStringList { "1" };
    QTest::newRow("complete records") << first << QByteArray() << QStringList { "2", "1" };
    QTest::newRow("cut inside a record") << first + "/2.jpg	http://h/2" << QByteArray("\r\n")
                                         << QStringList { "3", "1" };
    QTest::newRow("cut between CR and LF") << first.chopped(1) << QByteArray("\n") << QStringList { "2", "1" };
    QTest::newRow("hand-edited with a bare LF") << first.chopped(2) + '\n' << QByteArray() << QStringList { "2", "1" };
}

// A crash during an append may leave half a record at the end of the journal; the next record still gets a
// line of its own and the page shows it under its own number.
void tst_Journal::appendAfterACutRecord()
{
    QFETCH(QByteArray, journal);
    QFETCH(QByteArray, separator);
    QFETCH(QStringList, expected);

    TempProgramFolder folder;
    writeTemplates(folder);
    if (!journal.isEmpty())
        folder.writeFile(QStringLiteral("journal.txt"), journal);
    QVERIFY(Journal::AppendJournalRecord(
        folder.path(), QStringLiteral("/new.jpg"), QStringLiteral("http://h/new.jpg"), {}, When));

    const QByteArray after = folder.readFile(QStringLiteral("journal.txt"));
    QVERIFY(after.startsWith(journal + separator + "/new.jpg\thttp://h/new.jpg\t\t"));
    QVERIFY(after.endsWith("\r\n"));
    Journal::BuildJournalPage(folder.path());
    QCOMPARE(numbers(folder), expected);
    QCOMPARE(rows(folder).at(0).at(2), QStringLiteral("http://h/new.jpg"));
}

void tst_Journal::threeUploadsNewestFirst()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    for (const char* link : { "http://h/1.jpg", "http://h/2.jpg", "http://h/3.jpg" })
        Journal::AppendJournalRecord(folder.path(), QStringLiteral("/none.jpg"), QString::fromLatin1(link), {}, When);

    const QList<QByteArray> lines = folder.readFile(QStringLiteral("journal.txt")).split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[0].contains("1.jpg") && lines[1].contains("2.jpg") && lines[2].contains("3.jpg"));

    QCOMPARE(Journal::BuildJournalPage(folder.path()).status, Journal::PageResult::Status::Written);
    QCOMPARE(numbers(folder), QStringList({ "3", "2", "1" }));
    QCOMPARE(rows(folder).at(0).at(2), QStringLiteral("http://h/3.jpg"));
    QCOMPARE(rows(folder).at(0).at(4), Journal::DateText(When).toHtmlEscaped());
    QVERIFY(page(folder).startsWith("<body>\r\n\r\n<tr>3|"));
    QVERIFY(page(folder).endsWith("</tr></body>\r\n"));
}

void tst_Journal::picture_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("createFile");
    QTest::addColumn<bool>("keepClipboardGif");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("name");

    QTest::newRow("clipboard picture") << "Clipboard" << false << true << "journal/clipboard.gif"
                                       << "Буфер обмена";
    QTest::newRow("clipboard picture without clipboard.gif") << "Clipboard" << false << false << "journal/nofile.gif"
                                                             << "Буфер обмена";
    QTest::newRow("existing file") << "@/pics/my pic#1.jpg" << true << true << "pics/my pic#1.jpg"
                                   << "my pic#1.jpg";
    QTest::newRow("deleted file") << "@/pics/gone.jpg" << false << true << "journal/nofile.gif"
                                  << "gone.jpg";
    QTest::newRow("relative path is not looked up") << "pics/rel.jpg" << false << true << "journal/nofile.gif"
                                                    << "rel.jpg";
    QTest::newRow("punctuation in the URL as QUrl writes it")
        << "@/pics/a !$'()*+,;=:[]{}^`%~-_.jpg" << true << true << "pics/a !$'()*+,;=:[]{}^`%~-_.jpg"
        << "a !$&#39;()*+,;=:[]{}^`%~-_.jpg";
    QTest::newRow("markup in the name is escaped") << "@/pics/<b>&кот.jpg" << true << true << "pics/<b>&кот.jpg"
                                                   << "&lt;b&gt;&amp;кот.jpg";
}

void tst_Journal::picture()
{
    QFETCH(QString, source);
    QFETCH(bool, createFile);
    QFETCH(bool, keepClipboardGif);
    QFETCH(QString, expected);
    QFETCH(QString, name);

    TempProgramFolder folder;
    writeTemplates(folder);
    if (!keepClipboardGif)
        QFile::remove(folder.filePath(QStringLiteral("journal/clipboard.gif")));
    source.replace(QStringLiteral("@"), folder.path());
    if (createFile)
        folder.writeFile(QDir(folder.path()).relativeFilePath(source), "jpeg");
    folder.writeFile(QStringLiteral("journal.txt"), record(source.toUtf8(), "http://h/a.jpg"));

    Journal::BuildJournalPage(folder.path());
    const QStringList cells = rows(folder).at(0);
    QCOMPARE(cells.at(1), fileUrl(folder.filePath(expected)).toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;")));
    QCOMPARE(cells.at(6), name);
    if (source != QStringLiteral("Clipboard") && !createFile)
        QVERIFY(!page(folder).contains(source));
}

void tst_Journal::valuesAreEscaped()
{
    TempProgramFolder folder;
    writeTemplates(folder, "<tr><a href=\"IMGLINK\">IMGLINK</a>|<a href='THLINK'>x</a>|DATE</tr>");
    folder.writeFile(QStringLiteral("journal.txt"),
        "/x.jpg\thttp://h/a.jpg\"><script>alert(1)</script>\thttp://h/b.jpg'onmouseover='x\t<b>\t&\r\n");

    Journal::BuildJournalPage(folder.path());
    const QString html = page(folder);
    QVERIFY(!html.contains(QStringLiteral("<script>")));
    QVERIFY(!html.contains(QStringLiteral("<b>")));
    QVERIFY(html.contains(QStringLiteral("href=\"http://h/a.jpg&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;\"")));
    QVERIFY(html.contains(QStringLiteral("href='http://h/b.jpg&#39;onmouseover=&#39;x'")));
    QVERIFY(html.contains(QStringLiteral("|&lt;b&gt;</tr>")));
}

void tst_Journal::valuesAreNotTakenForPlaceholders()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    folder.writeFile(QStringLiteral("pics/UPDATE.jpg"), "jpeg");
    const QByteArray source = folder.filePath(QStringLiteral("pics/UPDATE.jpg")).toUtf8();
    folder.writeFile(
        QStringLiteral("journal.txt"), source + "\thttp://h/THLINK/NUMBER.jpg\thttp://h/TIME.jpg\tDATE\tTIME\r\n");

    Journal::BuildJournalPage(folder.path());
    const QStringList cells = rows(folder).at(0);
    QCOMPARE(cells,
        QStringList({ "1", fileUrl(QString::fromUtf8(source)), "http://h/THLINK/NUMBER.jpg", "http://h/TIME.jpg",
            "DATE", "TIME", "UPDATE.jpg" }));
}

void tst_Journal::rowTemplate_data()
{
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("expected");

    QTest::newRow("placeholder twice, others missing")
        << QByteArray("<tr>NUMBER|NUMBER|IMGLINK</tr>") << "<tr>7|7|http://h/a.jpg</tr>";
    QTest::newRow("placeholders side by side at both ends")
        << QByteArray("NUMBERFILENAMEDATETIMETHLINK") << "7x.jpg09.03.202414:05:07http://h/a.jpg";
    QTest::newRow("words that only begin like placeholders")
        << QByteArray("FILE FILEPAT NUMBE TIM DAT THLIN IMG NUMBE") << "FILE FILEPAT NUMBE TIM DAT THLIN IMG NUMBE";
    QTest::newRow("lower case is text") << QByteArray("number date") << "number date";
    QTest::newRow("no placeholder") << QByteArray("<tr></tr>") << "<tr></tr>";
}

void tst_Journal::rowTemplate()
{
    QFETCH(QByteArray, row);
    QFETCH(QString, expected);
    TempProgramFolder folder;
    writeTemplates(folder, row);
    folder.writeFile(QStringLiteral("journal.txt"), "\r\n\r\n\r\n\r\n\r\n\r\n" + record("/x.jpg", "http://h/a.jpg"));
    Journal::BuildJournalPage(folder.path());
    QCOMPARE(page(folder), QStringLiteral("<body>\r\n\r\n") + expected + QStringLiteral("</body>\r\n"));
}

void tst_Journal::shortLinesSkipped()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    folder.writeFile(QStringLiteral("journal.txt"),
        record("/1.jpg", "http://h/1.jpg") + "\r\n" + "only\ttwo\r\n" + record("/4.jpg", "http://h/4.jpg")
            + "a\tb\tc\td\te\tf\n");
    Journal::BuildJournalPage(folder.path());
    QCOMPARE(numbers(folder), QStringList({ "5", "4", "1" }));
    QCOMPARE(rows(folder).at(0).at(2), QStringLiteral("b")); // extra fields are ignored, a bare LF is accepted
}

void tst_Journal::deletionLinkOnThePage_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("shown");

    const QString label = QStringLiteral("<div><span class=\"label\">удаление</span>");
    QTest::newRow("five fields show nothing") << QByteArray("/a.jpg\tl\tp\td\tt") << QString();
    QTest::newRow("empty sixth field shows nothing") << QByteArray("/a.jpg\tl\tp\td\tt\t") << QString();
    QTest::newRow("web address is a link") << QByteArray("/a.jpg\tl\tp\td\tt\thttps://h/d?k=1&x=\"2\"")
                                           << label
            + "<a href=\"https://h/d?k=1&amp;x=&quot;2&quot;\" "
              "target=\"_blank\">https://h/d?k=1&amp;x=&quot;2&quot;</a></div>";
    QTest::newRow("fields after the sixth are passed over")
        << QByteArray("/a.jpg\tl\tp\td\tt\tHTTP://h/d\tmore")
        << label + "<a href=\"HTTP://h/d\" target=\"_blank\">HTTP://h/d</a></div>";
    QTest::newRow("other schemes are text")
        << QByteArray("/a.jpg\tl\tp\td\tt\tjavascript:alert(1)") << label + "javascript:alert(1)</div>";
    QTest::newRow("scheme alone is text") << QByteArray("/a.jpg\tl\tp\td\tt\thttp://") << label + "http://</div>";
}

void tst_Journal::deletionLinkOnThePage()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, shown);
    TempProgramFolder folder;
    writeTemplates(folder, "<tr>NUMBER|TIME|DELLINK</tr>");
    folder.writeFile(QStringLiteral("journal.txt"), line + "\r\n");
    Journal::BuildJournalPage(folder.path());
    QCOMPARE(rows(folder), QList<QStringList>({ { "1", "t", shown } }));
}

void tst_Journal::rowLimit_data()
{
    QTest::addColumn<bool>("limitJournal");
    QTest::addColumn<int>("journalRows");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("noted");

    QTest::newRow("limit off shows all") << false << 2 << QStringList { "5", "4", "2", "1" } << false;
    QTest::newRow("limit on shows the newest") << true << 2 << QStringList { "5", "4" } << true;
    QTest::newRow("limit above the count") << true << 100 << QStringList { "5", "4", "2", "1" } << false;
    QTest::newRow("limit equal to the count") << true << 4 << QStringList { "5", "4", "2", "1" } << false;
    QTest::newRow("skipped lines do not count") << true << 3 << QStringList { "5", "4", "2" } << true;
}

void tst_Journal::rowLimit()
{
    QFETCH(bool, limitJournal);
    QFETCH(int, journalRows);
    QFETCH(QStringList, expected);
    QFETCH(bool, noted);

    TempProgramFolder folder;
    writeTemplates(folder);
    const QByteArray journal = record("/1.jpg", "http://h/1") + record("/2.jpg", "http://h/2") + "broken\r\n"
        + record("/4.jpg", "http://h/4") + record("/5.jpg", "http://h/5");
    folder.writeFile(QStringLiteral("journal.txt"), journal);

    MessageRecorder messages;
    Journal::SetLauncherHook([](const QString&, const QStringList&) { return true; });
    writeFakeXdgOpen(folder);
    PathOverride path(folder.filePath(QStringLiteral("bin")));
    Journal::ShowJournal(nullptr, folder.path(), limitJournal, journalRows);

    QCOMPARE(numbers(folder), expected);
    QCOMPARE(
        page(folder).startsWith(QStringLiteral("<body>") + LimitNote.arg(journalRows) + QStringLiteral("\r\n")), noted);
    QVERIFY(noted || page(folder).startsWith(QStringLiteral("<body>\r\n")));
    QCOMPARE(folder.readFile(QStringLiteral("journal.txt")), journal);
    QVERIFY(messages.messages().isEmpty());
}

void tst_Journal::limitedPageEqualsWholePage_data()
{
    QTest::addColumn<QByteArray>("ending");
    QTest::newRow("ends with CR LF") << QByteArray("\r\n");
    QTest::newRow("ends with a bare LF") << QByteArray("\n");
    QTest::newRow("ends inside a record") << QByteArray("/cut.jpg\thttp://h/c");
    QTest::newRow("ends with a complete record without line end") << QByteArray("/z.jpg\tl\tp\td\tt");
    QTest::newRow("ends with empty lines") << QByteArray("\r\n\r\n\n");
}

// With the limit on only the newest records are read, from the end of the journal; the page must be the
// one that the whole journal gives, cut after the newest records, with the note.
void tst_Journal::limitedPageEqualsWholePage()
{
    QFETCH(QByteArray, ending);
    TempProgramFolder folder;
    writeTemplates(folder, RowTemplate + "DELLINK");
    folder.writeFile(QStringLiteral("pics/есть.jpg"), "jpeg");
    const QByteArray existing = folder.filePath(QStringLiteral("pics/есть.jpg")).toUtf8();
    QByteArray journal;
    for (int i = 1; i <= 12; ++i) {
        const QByteArray link = "http://h/" + QByteArray::number(i) + ".jpg";
        journal += record(i % 3 == 0 ? existing : i % 3 == 1 ? QByteArray("Clipboard") : "/gone.jpg", link);
        if (i % 2 == 0) // some records carry a deletion link
            journal.insert(journal.size() - 2, "\thttp://h/delete/" + QByteArray::number(i));
        if (i % 4 == 0)
            journal += "half\trecord\r\n\r\n";
        if (i % 5 == 0)
            journal += "/lf.jpg\ta\tb\tc\td\n/cr\rinside.jpg\ta\tb\tc\td\r\n";
    }
    journal += ending;
    folder.writeFile(QStringLiteral("journal.txt"), journal);

    Journal::BuildJournalPage(folder.path(), 0);
    const QString whole = page(folder);
    const QString head = QStringLiteral("<body>");
    const QString tail = QStringLiteral("</body>\r\n");
    QVERIFY(whole.startsWith(head + QStringLiteral("\r\n\r\n")) && whole.endsWith(tail));
    const QStringList wholeRows
        = whole.sliced(head.size(), whole.size() - head.size() - tail.size()).split(QStringLiteral("\r\n\r\n"));
    const qsizetype recordCount = wholeRows.size() - 1; // the text before the first row is empty
    QCOMPARE(recordCount, numbers(folder).size());
    QVERIFY(recordCount > 12);

    for (int limit = 1; limit <= recordCount + 1; ++limit) {
        Journal::BuildJournalPage(folder.path(), limit);
        const bool cut = limit < recordCount;
        const QString expected = head + (cut ? LimitNote.arg(limit) : QString())
            + wholeRows.mid(0, limit + 1).join(QStringLiteral("\r\n\r\n")) + tail;
        QCOMPARE(page(folder), expected);
    }
}

void tst_Journal::lineCheckpoint_data()
{
    QTest::addColumn<JournalChange>("change");
    QTest::addColumn<QByteArray>("ending"); // after the 300 records of the first page

    QTest::newRow("records appended") << JournalChange::Append << QByteArray();
    QTest::newRow("cut record repaired by an append") << JournalChange::Append << QByteArray("/cut.jpg\thttp://h/c");
    QTest::newRow("early line removed in place") << JournalChange::RemoveEarlyLineInPlace << QByteArray();
    QTest::newRow("early line removed in place, then appends")
        << JournalChange::RemoveEarlyLineInPlaceThenAppend << QByteArray();
    QTest::newRow("truncated") << JournalChange::Truncate << QByteArray();
    QTest::newRow("truncated, then grown past the old end")
        << JournalChange::TruncateThenGrowPastTheOldEnd << QByteArray();
    QTest::newRow("middle line split in a new file") << JournalChange::SplitMiddleLineInANewFile << QByteArray();
    QTest::newRow("garbage checkpoint") << JournalChange::GarbageCheckpoint << QByteArray();
    QTest::newRow("empty checkpoint") << JournalChange::EmptyCheckpoint << QByteArray();
    QTest::newRow("missing checkpoint") << JournalChange::MissingCheckpoint << QByteArray();
    QTest::newRow("checkpoint cannot be written") << JournalChange::CheckpointCannotBeWritten << QByteArray();
    QTest::newRow("read-only program folder") << JournalChange::ReadOnlyProgramFolder << QByteArray();
}

// A limited page counts the journal's lines from the checkpoint left by the page before; whatever happened to
// the journal or the checkpoint since, it shows the rows, with their numbers, of the page built from the
// whole journal by a folder without a checkpoint.
void tst_Journal::lineCheckpoint()
{
    QFETCH(JournalChange, change);
    QFETCH(QByteArray, ending);
    constexpr int Limit = 5;
    const QByteArray rowTemplate = "<tr>NUMBER|IMGLINK</tr>";
    TempProgramFolder folder;
    writeTemplates(folder, rowTemplate);
    const QString checkpoint = folder.filePath(QStringLiteral("journal.lines"));
    QByteArray journal = numberedRecords(1, 300) + ending;
    folder.writeFile(QStringLiteral("journal.txt"), journal);

    const auto readOnly = qScopeGuard(
        [&folder] { QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
    if (change == JournalChange::CheckpointCannotBeWritten)
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("journal.lines")));
    if (change == JournalChange::ReadOnlyProgramFolder)
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    QCOMPARE(Journal::BuildJournalPage(folder.path(), Limit).status, Journal::PageResult::Status::Written);
    QCOMPARE(numbers(folder).first(), QStringLiteral("300"));
    // (A read-only folder does not keep root from writing the checkpoint: then it is the appends row again.)
    const bool blocked
        = change == JournalChange::CheckpointCannotBeWritten || change == JournalChange::ReadOnlyProgramFolder;
    QVERIFY(blocked || QFileInfo(checkpoint).isFile());

    const qsizetype early = journal.indexOf('\n') + 1; // the end of the first record
    switch (change) {
    case JournalChange::Append:
        appendRecords(folder, 301, 303);
        break;
    case JournalChange::RemoveEarlyLineInPlace:
        rewriteInPlace(folder, journal.remove(early, journal.indexOf('\n', early) + 1 - early));
        break;
    case JournalChange::RemoveEarlyLineInPlaceThenAppend:
        rewriteInPlace(folder, journal.remove(early, journal.indexOf('\n', early) + 1 - early));
        appendRecords(folder, 301, 303);
        break;
    case JournalChange::Truncate:
        rewriteInPlace(folder, numberedRecords(1, 20));
        break;
    case JournalChange::TruncateThenGrowPastTheOldEnd:
        rewriteInPlace(folder, numberedRecords(1, 20) + QByteArray(100, '\n'));
        appendRecords(folder, 1000, 1299);
        break;
    case JournalChange::SplitMiddleLineInANewFile: {
        journal[journal.indexOf("\t", journal.size() / 2)] = '\n';
        folder.writeFile(QStringLiteral("journal.new"), journal);
        QVERIFY(QFile::remove(Journal::JournalPath(folder.path())));
        QVERIFY(QFile::rename(folder.filePath(QStringLiteral("journal.new")), Journal::JournalPath(folder.path())));
        break;
    }
    case JournalChange::GarbageCheckpoint:
        folder.writeFile(QStringLiteral("journal.lines"), "pictoferry-journal-lines-1 9 9 9\n\x01\xff");
        rewriteInPlace(folder, numberedRecords(1, 400));
        break;
    case JournalChange::EmptyCheckpoint:
        folder.writeFile(QStringLiteral("journal.lines"), {});
        rewriteInPlace(folder, numberedRecords(1, 20));
        break;
    case JournalChange::MissingCheckpoint:
        QVERIFY(QFile::remove(checkpoint));
        appendRecords(folder, 301, 303);
        break;
    case JournalChange::CheckpointCannotBeWritten:
    case JournalChange::ReadOnlyProgramFolder:
        appendRecords(folder, 301, 303);
        break;
    }

    TempProgramFolder whole;
    writeTemplates(whole, rowTemplate);
    whole.writeFile(QStringLiteral("journal.txt"), folder.readFile(QStringLiteral("journal.txt")));
    Journal::BuildJournalPage(whole.path(), 0);
    const QList<QStringList> expected = rows(whole).first(Limit);

    QCOMPARE(Journal::BuildJournalPage(folder.path(), Limit).status, Journal::PageResult::Status::Written);
    QCOMPARE(rows(folder), expected);
    QCOMPARE(Journal::BuildJournalPage(folder.path(), Limit).status, Journal::PageResult::Status::Written);
    QCOMPARE(rows(folder), expected); // from the checkpoint the page before left
    QCOMPARE(QDir(folder.path()).entryList({ QStringLiteral("journal.lines.*") }, QDir::Files), QStringList());
}

void tst_Journal::emptyJournalGivesNoRows()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    folder.writeFile(QStringLiteral("journal.txt"), {});
    QCOMPARE(Journal::BuildJournalPage(folder.path()).status, Journal::PageResult::Status::Written);
    QCOMPARE(page(folder), QStringLiteral("<body></body>\r\n"));
}

void tst_Journal::pageIsReplacedNotAppended()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    folder.writeFile(QStringLiteral("journal/journal.htm"), QByteArray(5000, 'x'));
    folder.writeFile(QStringLiteral("journal.txt"), record("/x.jpg", "http://h/a.jpg"));
    Journal::BuildJournalPage(folder.path());
    const QByteArray first = folder.readFile(QStringLiteral("journal/journal.htm"));
    QVERIFY(!first.contains('x' + QByteArray("xxxx")));
    Journal::BuildJournalPage(folder.path());
    QCOMPARE(folder.readFile(QStringLiteral("journal/journal.htm")), first);
}

void tst_Journal::missingTemplateWritesNoPage_data()
{
    QTest::addColumn<QString>("missing");
    QTest::newRow("no body") << "journal/body.htm";
    QTest::newRow("no row template") << "journal/table.htm";
}

void tst_Journal::missingTemplateWritesNoPage()
{
    QFETCH(QString, missing);
    TempProgramFolder folder;
    writeTemplates(folder);
    QFile::remove(folder.filePath(missing));
    folder.writeFile(QStringLiteral("journal.txt"), record("/x.jpg", "http://h/a.jpg"));

    const Journal::PageResult result = Journal::BuildJournalPage(folder.path());
    QCOMPARE(result.status, Journal::PageResult::Status::TemplateMissing);
    QCOMPARE(result.path, folder.filePath(missing));
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("journal/journal.htm"))));
}

void tst_Journal::shippedTemplatesMakeAPage()
{
    TempProgramFolder folder;
    folder.copyShippedJournalTemplates();
    for (const char* name : { "body.htm", "table.htm", "clipboard.gif", "nofile.gif" })
        QVERIFY2(QFileInfo::exists(folder.filePath(QStringLiteral("journal/") + QLatin1String(name))), name);
    QVERIFY(folder.readFile(QStringLiteral("journal/body.htm")).contains("<!--INSERT_TABLE -->"));
    QVERIFY(!QImage(folder.filePath(QStringLiteral("journal/clipboard.gif"))).isNull());
    QVERIFY(!QImage(folder.filePath(QStringLiteral("journal/nofile.gif"))).isNull());

    Journal::AppendJournalRecord(folder.path(), folder.filePath(QStringLiteral("tmp/tmp.png")),
        QStringLiteral("http://h/a.jpg"), QStringLiteral("http://h/a_t.jpg"), When);
    Journal::BuildJournalPage(folder.path());
    const QString html = page(folder);
    QVERIFY(html.contains(QStringLiteral(">http://h/a.jpg</a>")));
    QVERIFY(html.contains(QStringLiteral("href=\"http://h/a_t.jpg\"")));
    QVERIFY(html.contains(fileUrl(folder.filePath(QStringLiteral("journal/clipboard.gif")))));
    QVERIFY(html.contains(Journal::TimeText(When)));
    QVERIFY(html.contains(QStringLiteral(">Буфер обмена<")));
    QVERIFY(!html.contains(QStringLiteral("удаление")));
    Journal::AppendJournalRecord(folder.path(), QStringLiteral("/b.jpg"), QStringLiteral("http://h/b.jpg"),
        QStringLiteral("http://h/b.jpg"), When, QStringLiteral("https://h/delete/b"));
    Journal::BuildJournalPage(folder.path());
    QVERIFY(page(folder).contains(QStringLiteral("удаление</span><a href=\"https://h/delete/b\"")));
    for (const char* word : { "NUMBER", "FILEPATH", "FILENAME", "INSERT_NOTE", "DELLINK" })
        QVERIFY2(!html.contains(QLatin1String(word)), word);
}

void tst_Journal::showJournalWithoutJournal()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    MessageRecorder messages;
    bool launched = false;
    Journal::SetLauncherHook([&](const QString&, const QStringList&) { return launched = true; });
    Journal::ShowJournal(nullptr, folder.path(), false, 100);

    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(messages.messages()[0].text, QStringLiteral("В журнале закачек нет записей."));
    QCOMPARE(messages.messages()[0].title, QStringLiteral("Журнал"));
    QCOMPARE(messages.messages()[0].icon, Platform::MessageIcon::Information);
    QVERIFY(!launched);
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("journal/journal.htm"))));
}

void tst_Journal::showJournalOpensPageWithXdgOpen()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    folder.writeFile(QStringLiteral("journal.txt"), record("/x.jpg", "http://h/a.jpg"));
    writeFakeXdgOpen(folder);
    PathOverride path(folder.filePath(QStringLiteral("bin")));

    MessageRecorder messages;
    QString program;
    QStringList arguments;
    Journal::SetLauncherHook([&](const QString& p, const QStringList& a) {
        program = p;
        arguments = a;
        return true;
    });
    Journal::ShowJournal(nullptr, folder.path(), true, 100);

    QVERIFY(messages.messages().isEmpty());
    QCOMPARE(program, folder.filePath(QStringLiteral("bin/xdg-open")));
    QCOMPARE(arguments, QStringList { folder.filePath(QStringLiteral("journal/journal.htm")) });
    QCOMPARE(numbers(folder), QStringList { "1" });
}

void tst_Journal::showJournalWithoutXdgOpen()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    folder.writeFile(QStringLiteral("journal.txt"), record("/x.jpg", "http://h/a.jpg"));
    folder.writeFile(QStringLiteral("bin/readme"), "");
    PathOverride path(folder.filePath(QStringLiteral("bin")));

    MessageRecorder messages;
    bool launched = false;
    Journal::SetLauncherHook([&](const QString&, const QStringList&) { return launched = true; });
    Journal::ShowJournal(nullptr, folder.path(), true, 100);

    QVERIFY(!launched);
    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(messages.messages()[0].title, QStringLiteral("Ошибка"));
    QCOMPARE(messages.messages()[0].icon, Platform::MessageIcon::Error);
    QVERIFY(messages.messages()[0].text.startsWith(QStringLiteral("Не найден xdg-open!\r\n\r\n(")));
    QVERIFY(messages.messages()[0].text.contains(folder.filePath(QStringLiteral("bin"))));
    QCOMPARE(numbers(folder), QStringList { "1" }); // the page is rebuilt all the same
}

void tst_Journal::showJournalReportsMissingTemplate()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    QFile::remove(folder.filePath(QStringLiteral("journal/table.htm")));
    folder.writeFile(QStringLiteral("journal.txt"), record("/x.jpg", "http://h/a.jpg"));

    MessageRecorder messages;
    bool launched = false;
    Journal::SetLauncherHook([&](const QString&, const QStringList&) { return launched = true; });
    Journal::ShowJournal(nullptr, folder.path(), true, 100);

    QVERIFY(!launched);
    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(messages.messages()[0].icon, Platform::MessageIcon::Error);
    QVERIFY(messages.messages()[0].text.contains(folder.filePath(QStringLiteral("journal/table.htm"))));
}

void tst_Journal::showJournalReportsFailedStart()
{
    TempProgramFolder folder;
    writeTemplates(folder);
    folder.writeFile(QStringLiteral("journal.txt"), record("/x.jpg", "http://h/a.jpg"));
    writeFakeXdgOpen(folder);
    PathOverride path(folder.filePath(QStringLiteral("bin")));

    MessageRecorder messages;
    Journal::SetLauncherHook([](const QString&, const QStringList&) { return false; });
    Journal::ShowJournal(nullptr, folder.path(), true, 100);
    QCOMPARE(messages.messages().size(), 1);
    QCOMPARE(messages.messages()[0].icon, Platform::MessageIcon::Error);
}

QTEST_MAIN(tst_Journal)
#include "tst_Journal.moc"
