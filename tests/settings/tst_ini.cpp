#include "settings/Ini.h"
#include "settings/IniFile.h"

#include "platform/ProfileFile.h"

#include "support/TempProgramFolder.h"

#include <QtTest>

// The settings store against files written by hand.
class TestIni final : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readText_data();
    void readText();
    void readIntegers_data();
    void readIntegers();
    void readBoolean_data();
    void readBoolean();
    void write_data();
    void write();
    void typedWritesAndReadBack();
    void writeCreatesMissingFile();
    void fileNameIsShared();
    void quotedBooleanIsTrue();
    void fileOverOneMebibyteIsNotRead();
    void gatheredWritesInOneReplace();
    void unchangedValuesLeaveTheFileAlone();
    void namesThatWouldBreakTheFile_data();
    void namesThatWouldBreakTheFile();

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    QString m_path;
};

void TestIni::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_path = m_folder->filePath(QStringLiteral("test.ini"));
    Ini::SetFileName(m_path);
}

void TestIni::readText_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray longValue(300, 'x');
    // 253 ASCII bytes and a two-byte letter: the 254-byte cut would fall inside the letter.
    const QByteArray cutInsideLetter = QByteArray(253, 'a') + "жz";
    // 252 ASCII bytes and a two-byte letter end exactly at byte 254.
    const QByteArray letterAtTheEdge = QByteArray(252, 'a') + "жz";

    QTest::newRow("plain") << QByteArray("[Options]\r\nProxyHost=proxy\r\n") << "Options"
                           << "ProxyHost"
                           << "proxy";
    QTest::newRow("names ignore case") << QByteArray("[oPTIONS]\r\nproxyhost=proxy\r\n") << "Options"
                                       << "ProxyHost"
                                       << "proxy";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ Options ]  \r\n  ProxyHost  =   proxy host  \r\n") << "Options"
        << "ProxyHost"
        << "proxy host";
    QTest::newRow("tabs around value") << QByteArray("[A]\r\nk=\tv\t\r\n") << "A"
                                       << "k"
                                       << "v";
    QTest::newRow("bare LF line ends") << QByteArray("[A]\nx=1\nk=v\n") << "A"
                                       << "k"
                                       << "v";
    QTest::newRow("no line end at the end") << QByteArray("[A]\r\nk=v") << "A"
                                            << "k"
                                            << "v";
    QTest::newRow("first of duplicate keys wins") << QByteArray("[A]\r\nk=first\r\nK=second\r\n") << "A"
                                                  << "k"
                                                  << "first";
    QTest::newRow("value keeps later equals signs") << QByteArray("[A]\r\nk=a=b\r\n") << "A"
                                                    << "k"
                                                    << "a=b";
    QTest::newRow("empty value") << QByteArray("[A]\r\nk=\r\n") << "A"
                                 << "k"
                                 << "";
    QTest::newRow("key of another section") << QByteArray("[A]\r\nx=1\r\n[B]\r\nk=v\r\n") << "A"
                                            << "k"
                                            << "";
    QTest::newRow("key in the second section") << QByteArray("[A]\r\nk=a\r\n[B]\r\nk=b\r\n") << "B"
                                               << "k"
                                               << "b";
    QTest::newRow("key before any section") << QByteArray("k=v\r\n[A]\r\n") << "A"
                                            << "k"
                                            << "";
    QTest::newRow("commented key skipped") << QByteArray("[A]\r\n;k=old\r\nk=new\r\n") << "A"
                                           << "k"
                                           << "new";
    QTest::newRow("missing key") << QByteArray("[A]\r\nx=1\r\n") << "A"
                                 << "k"
                                 << "";
    QTest::newRow("missing section") << QByteArray("[B]\r\nk=1\r\n") << "A"
                                     << "k"
                                     << "";
    QTest::newRow("empty file") << QByteArray() << "A"
                                << "k"
                                << "";
    QTest::newRow("UTF-8 text") << QByteArray("[Main]\r\nTitle=Прямая ссылка\r\n") << "Main"
                                << "Title"
                                << "Прямая ссылка";
    QTest::newRow("300 characters cut to 254") << QByteArray("[A]\r\nk=" + longValue + "\r\n") << "A"
                                               << "k" << QString::fromLatin1(longValue.left(254));
    QTest::newRow("cut never splits a letter") << QByteArray("[A]\r\nk=" + cutInsideLetter + "\r\n") << "A"
                                               << "k" << QString(253, u'a');
    QTest::newRow("double quotes dropped") << QByteArray("[A]\r\nk=\"True\"\r\n") << "A"
                                           << "k"
                                           << "True";
    QTest::newRow("single quotes dropped") << QByteArray("[A]\r\nk='a b'\r\n") << "A"
                                           << "k"
                                           << "a b";
    QTest::newRow("quotes inside kept") << QByteArray("[A]\r\nk=<img src=\"IMGLINK\">\r\n") << "A"
                                        << "k"
                                        << "<img src=\"IMGLINK\">";
    QTest::newRow("unpaired quote kept") << QByteArray("[A]\r\nk=\"open\r\n") << "A"
                                         << "k"
                                         << "\"open";
    QTest::newRow("letter ending at byte 254 kept") << QByteArray("[A]\r\nk=" + letterAtTheEdge + "\r\n") << "A"
                                                    << "k" << QString(QString(252, u'a') + QStringLiteral("ж"));
}

void TestIni::readText()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    m_folder->writeFile(QStringLiteral("test.ini"), content);
    QCOMPARE(Ini().RINI(section, key), expected);
}

void TestIni::readIntegers_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<qint16>("expected16");
    QTest::addColumn<qint32>("expected32");

    QTest::newRow("plain") << QByteArray("100") << qint16(100) << qint32(100);
    QTest::newRow("letters after the number") << QByteArray("12abc") << qint16(12) << qint32(12);
    QTest::newRow("a blank ends the number") << QByteArray("12 34") << qint16(12) << qint32(12);
    QTest::newRow("empty") << QByteArray("") << qint16(0) << qint32(0);
    QTest::newRow("not a number") << QByteArray("abc") << qint16(0) << qint32(0);
    QTest::newRow("negative") << QByteArray("-1") << qint16(-1) << qint32(-1);
    QTest::newRow("plus sign") << QByteArray("+7") << qint16(7) << qint32(7);
    QTest::newRow("2.5 to even below") << QByteArray("2.5") << qint16(2) << qint32(2);
    QTest::newRow("3.5 to even above") << QByteArray("3.5") << qint16(4) << qint32(4);
    QTest::newRow("0.5 to zero") << QByteArray("0.5") << qint16(0) << qint32(0);
    QTest::newRow("-2.5 to even") << QByteArray("-2.5") << qint16(-2) << qint32(-2);
    QTest::newRow("2.6 up") << QByteArray("2.6") << qint16(3) << qint32(3);
    QTest::newRow("second point ends the number") << QByteArray("1.5.9") << qint16(2) << qint32(2);
    QTest::newRow("16-bit limits") << QByteArray("32767") << qint16(32767) << qint32(32767);
    QTest::newRow("above 16 bits") << QByteArray("40000") << qint16(32767) << qint32(40000);
    QTest::newRow("below 16 bits") << QByteArray("-40000") << qint16(-32768) << qint32(-40000);
    QTest::newRow("above 32 bits") << QByteArray("3000000000") << qint16(32767) << qint32(2147483647);
    QTest::newRow("below 32 bits") << QByteArray("-3000000000") << qint16(-32768) << qint32(-2147483647 - 1);
    QTest::newRow("250 digits") << QByteArray(250, '9') << qint16(32767) << qint32(2147483647);
}

void TestIni::readIntegers()
{
    QFETCH(QByteArray, stored);
    QFETCH(qint16, expected16);
    QFETCH(qint32, expected32);

    m_folder->writeFile(QStringLiteral("test.ini"), "[Main]\r\nValue=" + stored + "\r\n");
    const Ini ini;
    QCOMPARE(ini.RINIi(QStringLiteral("Main"), QStringLiteral("Value")), expected16);
    QCOMPARE(ini.RINIl(QStringLiteral("Main"), QStringLiteral("Value")), expected32);
}

void TestIni::readBoolean_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("expected");

    QTest::newRow("True") << QByteArray("Flag=True") << true;
    QTest::newRow("True with blanks") << QByteArray("Flag =  True  ") << true;
    QTest::newRow("lower case") << QByteArray("Flag=true") << false;
    QTest::newRow("upper case") << QByteArray("Flag=TRUE") << false;
    QTest::newRow("number") << QByteArray("Flag=1") << false;
    QTest::newRow("False") << QByteArray("Flag=False") << false;
    QTest::newRow("empty") << QByteArray("Flag=") << false;
    QTest::newRow("missing") << QByteArray("Other=True") << false;
}

void TestIni::readBoolean()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, expected);

    m_folder->writeFile(QStringLiteral("test.ini"), "[Main]\r\n" + line + "\r\n");
    QCOMPARE(Ini().RINIb(QStringLiteral("Main"), QStringLiteral("Flag")), expected);
}

void TestIni::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray commented = "; settings of the program\r\n"
                                 "[Main]\r\n"
                                 "LastServer=2\r\n"
                                 "; the proxy\r\n"
                                 "[Options]\r\n"
                                 "UseProxy=False\r\n"
                                 "ProxyHost=old\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "x=1\r\n";

    QTest::newRow("replace keeps comments and other sections") << commented << "options"
                                                               << "proxyhost"
                                                               << "new"
                                                               << QByteArray("; settings of the program\r\n"
                                                                             "[Main]\r\n"
                                                                             "LastServer=2\r\n"
                                                                             "; the proxy\r\n"
                                                                             "[Options]\r\n"
                                                                             "UseProxy=False\r\n"
                                                                             "proxyhost=new\r\n"
                                                                             "\r\n"
                                                                             "[Other]\r\n"
                                                                             "x=1\r\n");
    QTest::newRow("missing key added after the section's last line") << commented << "Options"
                                                                     << "ProxyPort"
                                                                     << "3128"
                                                                     << QByteArray("; settings of the program\r\n"
                                                                                   "[Main]\r\n"
                                                                                   "LastServer=2\r\n"
                                                                                   "; the proxy\r\n"
                                                                                   "[Options]\r\n"
                                                                                   "UseProxy=False\r\n"
                                                                                   "ProxyHost=old\r\n"
                                                                                   "ProxyPort=3128\r\n"
                                                                                   "\r\n"
                                                                                   "[Other]\r\n"
                                                                                   "x=1\r\n");
    QTest::newRow("missing section added at the end") << commented << "New"
                                                      << "Key"
                                                      << "v"
                                                      << QByteArray(commented
                                                             + "[New]\r\n"
                                                               "Key=v\r\n");
    QTest::newRow("bare LF file rewritten with CR LF") << QByteArray("[A]\nk=1\n") << "A"
                                                       << "k"
                                                       << "2" << QByteArray("[A]\r\nk=2\r\n");
    QTest::newRow("first of duplicate keys replaced") << QByteArray("[A]\r\nk=1\r\nk=2\r\n") << "A"
                                                      << "k"
                                                      << "3" << QByteArray("[A]\r\nk=3\r\nk=2\r\n");
    QTest::newRow("empty section gets the key") << QByteArray("[A]\r\n[B]\r\nk=1\r\n") << "A"
                                                << "k"
                                                << "v" << QByteArray("[A]\r\nk=v\r\n[B]\r\nk=1\r\n");
    QTest::newRow("commented key left alone") << QByteArray("[A]\r\n;k=1\r\n") << "A"
                                              << "k"
                                              << "v" << QByteArray("[A]\r\n;k=1\r\nk=v\r\n");
    QTest::newRow("value ends at a line break")
        << QByteArray("[A]\r\nk=1\r\n") << "A"
        << "k"
        << "first\r\n[Options]\r\nUseProxy=True" << QByteArray("[A]\r\nk=first\r\n");
    QTest::newRow("value ends at a bare CR") << QByteArray() << "A"
                                             << "k"
                                             << "first\rsecond" << QByteArray("[A]\r\nk=first\r\n");
    QTest::newRow("UTF-8 value") << QByteArray("[A]\r\n") << "A"
                                 << "Title"
                                 << "Прямая ссылка" << QByteArray("[A]\r\nTitle=Прямая ссылка\r\n");
}

void TestIni::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    m_folder->writeFile(QStringLiteral("test.ini"), before);
    Ini().WInI(section, key, value);
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), after);
}

void TestIni::typedWritesAndReadBack()
{
    const Ini ini;
    ini.WInIb(QStringLiteral("Options"), QStringLiteral("On"), true);
    ini.WInIb(QStringLiteral("Options"), QStringLiteral("Off"), false);
    ini.WInIi(QStringLiteral("Options"), QStringLiteral("Minus"), -1);
    ini.WInIi(QStringLiteral("Options"), QStringLiteral("Rows"), 100);
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")),
        QByteArray("[Options]\r\nOn=True\r\nOff=False\r\nMinus=-1\r\nRows=100\r\n"));

    QVERIFY(ini.RINIb(QStringLiteral("Options"), QStringLiteral("On")));
    QVERIFY(!ini.RINIb(QStringLiteral("Options"), QStringLiteral("Off")));
    QCOMPARE(ini.RINIi(QStringLiteral("Options"), QStringLiteral("Minus")), qint16(-1));
    QCOMPARE(ini.RINIl(QStringLiteral("Options"), QStringLiteral("Rows")), qint32(100));
}

void TestIni::writeCreatesMissingFile()
{
    QVERIFY(!QFileInfo::exists(m_path));
    QCOMPARE(Ini().RINI(QStringLiteral("A"), QStringLiteral("k")), QString());
    Ini().WInI(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v"));
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), QByteArray("[A]\r\nk=v\r\n"));
}

void TestIni::fileNameIsShared()
{
    m_folder->writeFile(QStringLiteral("first.ini"), "[A]\r\nk=first\r\n");
    m_folder->writeFile(QStringLiteral("second.ini"), "[A]\r\nk=second\r\n");
    const Ini mainStore;
    const Ini optionsStore;

    Ini::SetFileName(m_folder->filePath(QStringLiteral("first.ini")));
    QCOMPARE(mainStore.RINI(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("first"));
    QCOMPARE(optionsStore.RINI(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("first"));

    Ini::SetFileName(m_folder->filePath(QStringLiteral("second.ini")));
    QCOMPARE(Ini::FileName(), m_folder->filePath(QStringLiteral("second.ini")));
    QCOMPARE(mainStore.RINI(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("second"));

    optionsStore.WInI(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("changed"));
    QCOMPARE(m_folder->readFile(QStringLiteral("second.ini")), QByteArray("[A]\r\nk=changed\r\n"));
    QCOMPARE(m_folder->readFile(QStringLiteral("first.ini")), QByteArray("[A]\r\nk=first\r\n"));
}

void TestIni::quotedBooleanIsTrue()
{
    m_folder->writeFile(QStringLiteral("test.ini"), "[Options]\r\nUseProxy=\"True\"\r\nRows=\"42\"\r\n");
    QVERIFY(Ini().RINIb(QStringLiteral("Options"), QStringLiteral("UseProxy")));
    QCOMPARE(Ini().RINIi(QStringLiteral("Options"), QStringLiteral("Rows")), qint16(42));
}

void TestIni::fileOverOneMebibyteIsNotRead()
{
    // A value at the start, then filler beyond the limit.
    const QByteArray content = "[A]\r\nk=v\r\n" + QByteArray(ProfileFile::MaxFileBytes, ';');
    m_folder->writeFile(QStringLiteral("test.ini"), content);
    QVERIFY(ProfileFile::IsTooLarge(m_path));
    const IniFile file(m_path);
    QVERIFY(file.tooLarge());
    QCOMPARE(file.RINI(QStringLiteral("A"), QStringLiteral("k")), QString());
    QCOMPARE(Ini().RINI(QStringLiteral("A"), QStringLiteral("k")), QString());
    // Never rewritten: what we did not read we cannot keep.
    Ini().WInI(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("w"));
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), content);
    QVERIFY(IniFile::TooLargeMessage(m_path).contains(QStringLiteral("test.ini")));

    m_folder->writeFile(QStringLiteral("test.ini"), content.left(ProfileFile::MaxFileBytes));
    QCOMPARE(IniFile(m_path).RINI(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("v"));
}

void TestIni::gatheredWritesInOneReplace()
{
    m_folder->writeFile(QStringLiteral("test.ini"), "[Main]\r\nLastServer=2\r\n[Options]\r\nRows=1\r\n");
    IniFile file(m_path);
    file.WInI(QStringLiteral("Options"), QStringLiteral("Host"), QStringLiteral("proxy"));
    file.WInIi(QStringLiteral("Options"), QStringLiteral("Rows"), 100);
    file.WInIb(QStringLiteral("New"), QStringLiteral("On"), true);
    // Nothing is written before the commit.
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")),
        QByteArray("[Main]\r\nLastServer=2\r\n[Options]\r\nRows=1\r\n"));
    QVERIFY(file.Commit());
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")),
        QByteArray("[Main]\r\nLastServer=2\r\n[Options]\r\nRows=100\r\nHost=proxy\r\n[New]\r\nOn=True\r\n"));
    QCOMPARE(file.RINIi(QStringLiteral("Options"), QStringLiteral("Rows")), qint16(100));

    file.WInI(QStringLiteral("Only"), QStringLiteral("k"), QStringLiteral("v"));
    QVERIFY(file.Commit(true));
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), QByteArray("[Only]\r\nk=v\r\n"));
}

void TestIni::unchangedValuesLeaveTheFileAlone()
{
    const QByteArray stored = "[Main]\r\nLinksType=0\r\nLastServerName=imgur\r\n[Options]\r\nUseProxy=False\r\n";
    m_folder->writeFile(QStringLiteral("test.ini"), stored);
    const quint64 inode = m_folder->inode(QStringLiteral("test.ini"));

    Ini().WInIi(QStringLiteral("Main"), QStringLiteral("LinksType"), 0);
    IniFile file(m_path);
    file.WInIb(QStringLiteral("Options"), QStringLiteral("UseProxy"), false);
    file.WInI(QStringLiteral("Main"), QStringLiteral("LastServerName"), QStringLiteral("imgur"));
    QVERIFY(file.Commit());
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), stored);
    QCOMPARE(m_folder->inode(QStringLiteral("test.ini")), inode);

    // The same values in a file the program did not write (bare LF) are written out in full.
    m_folder->writeFile(QStringLiteral("test.ini"), QByteArray(stored).replace("\r\n", "\n"));
    Ini().WInIi(QStringLiteral("Main"), QStringLiteral("LinksType"), 0);
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), stored);

    // The same value under a key spelt otherwise, or one new value among old ones, is a change.
    Ini().WInI(QStringLiteral("Main"), QStringLiteral("linkstype"), QStringLiteral("0"));
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")),
        QByteArray("[Main]\r\nlinkstype=0\r\nLastServerName=imgur\r\n[Options]\r\nUseProxy=False\r\n"));
    file.WInIb(QStringLiteral("Options"), QStringLiteral("UseProxy"), false);
    file.WInIi(QStringLiteral("Main"), QStringLiteral("LinksType"), 2);
    QVERIFY(file.Commit());
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")),
        QByteArray("[Main]\r\nLinksType=2\r\nLastServerName=imgur\r\n[Options]\r\nUseProxy=False\r\n"));

    // A fresh write drops every other line.
    file.WInIi(QStringLiteral("Main"), QStringLiteral("LinksType"), 2);
    QVERIFY(file.Commit(true));
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), QByteArray("[Main]\r\nLinksType=2\r\n"));
}

void TestIni::namesThatWouldBreakTheFile_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("written");

    QTest::newRow("key with LF") << QByteArray("A") << QByteArray("k\n[Options]\nUseProxy") << false;
    QTest::newRow("key with CR") << QByteArray("A") << QByteArray("k\rx") << false;
    QTest::newRow("key with =") << QByteArray("A") << QByteArray("Proxy=Host") << false;
    QTest::newRow("key that reads as a section") << QByteArray("A") << QByteArray(" [Options]x") << false;
    QTest::newRow("key that reads as a comment") << QByteArray("A") << QByteArray(";k") << false;
    QTest::newRow("section with ]") << QByteArray("A]B") << QByteArray("k") << false;
    QTest::newRow("section with LF") << QByteArray("A\nk=1\n[B") << QByteArray("k") << false;
    QTest::newRow("section with CR") << QByteArray("A\rB") << QByteArray("k") << false;
    QTest::newRow("brackets inside a key") << QByteArray("A") << QByteArray("k[1]") << true;
    QTest::newRow("[ and ; inside a section") << QByteArray("A[1;2") << QByteArray("k;") << true;
    QTest::newRow("host and port as key") << QByteArray("Main") << QByteArray("127.0.0.1:8080") << true;
}

// A name that cannot stand in the file as it is would be read back as other keys and sections: such a write
// is refused and leaves the file as it was, together with every other value of the same replace.
void TestIni::namesThatWouldBreakTheFile()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(bool, written);

    const QByteArray before = "[A]\r\nk=1\r\n[Options]\r\nUseProxy=False\r\n";
    m_folder->writeFile(QStringLiteral("test.ini"), before);
    QCOMPARE(ProfileFile::WriteValue(m_path, section, key, "v"), written);
    if (written) {
        QCOMPARE(ProfileFile::ReadValue(m_path, section, key), QByteArray("v"));
        QCOMPARE(ProfileFile::ReadValue(m_path, "Options", "UseProxy"), QByteArray("False"));
        return;
    }
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), before);
    QVERIFY(!ProfileFile::WriteValues(m_path, { { "A", "k", "2" }, { section, key, "v" } }));
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), before);
    QVERIFY(!ProfileFile::WriteValues(m_path, { { section, key, "v" } }, true));
    QCOMPARE(m_folder->readFile(QStringLiteral("test.ini")), before);
}

QTEST_GUILESS_MAIN(TestIni)
#include "tst_ini.moc"
