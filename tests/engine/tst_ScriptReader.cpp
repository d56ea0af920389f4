#include "engine/ScriptReader.h"
#include "support/TempProgramFolder.h"

#include <QTest>

class tst_ScriptReader : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void missingFile();
    void instruction_data();
    void instruction();
};

void tst_ScriptReader::lines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QByteArray>>("expected");

    QTest::newRow("CR LF ends a line") << QByteArray("a\r\nb\r\n") << QList<QByteArray> { "a", "b" };
    QTest::newRow("lone CR ends a line") << QByteArray("a\rb") << QList<QByteArray> { "a", "b" };
    QTest::newRow("lone LF stays in the line") << QByteArray("a\nb\r\nc") << QList<QByteArray> { "a\nb", "c" };
    QTest::newRow("LF then CR") << QByteArray("a\n\rb") << QList<QByteArray> { "a\n", "b" };
    QTest::newRow("CR CR LF is an empty line between") << QByteArray("a\r\r\nb") << QList<QByteArray> { "a", "", "b" };
    QTest::newRow("last line without an ending") << QByteArray("a\r\nEND:") << QList<QByteArray> { "a", "END:" };
    QTest::newRow("blank lines") << QByteArray("\r\n\r\nx\r\n") << QList<QByteArray> { "", "", "x" };
    QTest::newRow("empty file") << QByteArray() << QList<QByteArray> {};
    QTest::newRow("byte-order mark at the start is passed over")
        << QByteArray("\xef\xbb\xbfSERVER:h\r\n\xef\xbb\xbf") << QList<QByteArray> { "SERVER:h", "\xef\xbb\xbf" };
    QTest::newRow("byte-order mark alone") << QByteArray("\xef\xbb\xbf") << QList<QByteArray> {};
    QTest::newRow("8-bit text") << QByteArray("LINK:\xe0\xe1*\xff\r\n")
                                << QList<QByteArray> { QByteArray("LINK:\xe0\xe1*\xff") };
}

void tst_ScriptReader::lines()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<QByteArray>, expected);

    TempProgramFolder folder;
    folder.writeFile(QStringLiteral("data/a.b.serv"), content);
    ScriptReader reader;
    QVERIFY(reader.open(folder.filePath(QStringLiteral("data/a.b.serv"))));
    QList<QByteArray> lines;
    while (const std::optional<QByteArray> line = reader.nextLine())
        lines.append(*line);
    QCOMPARE(lines, expected);
    QVERIFY(!reader.nextLine());
    QVERIFY(reader.isOpen());
    reader.close();
    QVERIFY(!reader.isOpen());
}

void tst_ScriptReader::missingFile()
{
    TempProgramFolder folder;
    ScriptReader reader;
    QVERIFY(!reader.open(folder.filePath(QStringLiteral("data/none.serv"))));
    QVERIFY(!reader.isOpen());
    QVERIFY(!reader.nextLine());
}

void tst_ScriptReader::instruction_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("isInstruction");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("split at the first colon")
        << QByteArray("SERVER:host:81") << true << QByteArray("SERVER") << QByteArray("host:81");
    QTest::newRow("empty value") << QByteArray("END:") << true << QByteArray("END") << QByteArray();
    QTest::newRow("nothing is trimmed") << QByteArray(" LINK : x ") << true << QByteArray(" LINK ")
                                        << QByteArray(" x ");
    QTest::newRow("lower-case name stays lower-case")
        << QByteArray("end:") << true << QByteArray("end") << QByteArray();
    QTest::newRow("colon first") << QByteArray(":x") << true << QByteArray() << QByteArray("x");
    QTest::newRow("semicolon inside is text")
        << QByteArray("LINK:a;b") << true << QByteArray("LINK") << QByteArray("a;b");
    QTest::newRow("comment") << QByteArray(";SERVER:x") << false << QByteArray() << QByteArray();
    QTest::newRow("blank line") << QByteArray() << false << QByteArray() << QByteArray();
    QTest::newRow("END without colon") << QByteArray("END") << false << QByteArray() << QByteArray();
}

void tst_ScriptReader::instruction()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, isInstruction);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);

    const std::optional<ScriptInstruction> parsed = ScriptLine::Parse(line);
    QCOMPARE(parsed.has_value(), isInstruction);
    if (parsed) {
        QCOMPARE(parsed->name, name);
        QCOMPARE(parsed->value, value);
    }
}

QTEST_GUILESS_MAIN(tst_ScriptReader)
#include "tst_ScriptReader.moc"
