#include "app/ParseCommandSting.h"

#include "support/MessageRecorder.h"

#include <QtTest>

using ParseCommandSting::CommandLineResults;
using ParseCommandSting::ProgramFacts;

namespace
{

const QString Header = QStringLiteral("Ошибка синтаксиса командной строки:\r\n\r\n");

QString missingFile(const QString& path)
{
    return QStringLiteral("- Файл %1 не найден.\r\n").arg(path);
}

QString missingServer(const QString& name)
{
    return QStringLiteral("- Указанного сервера %1 нет в списке.\r\n").arg(name);
}

QString missingLinkType(const QString& number)
{
    return QStringLiteral("- Указанного типа ссылки (%1) нет в списке.\r\n").arg(number);
}

ProgramFacts facts(int offeredLinkTypes = 6)
{
    ProgramFacts result;
    result.ServerNames
        = { QStringLiteral("alpha.example"), QStringLiteral("beta.example"), QStringLiteral("img.host.ru") };
    result.OfferedLinkTypes = offeredLinkTypes;
    result.FileExists = [](const QString& path) {
        return path == QLatin1String("/pics/a.jpg") || path == QLatin1String("/pics/my pic.jpg");
    };
    return result;
}

} // namespace

class TestParseCommandSting final : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void settingOff();
    void realFileSystem();
    void messageBox();
    void commandLineText_data();
    void commandLineText();
    void relativePictureMadeAbsolute();
    void stripQuotes_data();
    void stripQuotes();
    void argumentsToResults();
};

void TestParseCommandSting::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offered");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("linkType");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("errors");

    const QString a = QStringLiteral("/pics/a.jpg");
    const QString q = QStringLiteral("\"/pics/a.jpg\" ");

    // The context menu's quoted path has lost its quotes at start-up, so the parse leaves it alone.
    QTest::newRow("context-menu form after start-up") << a << 6 << ""
                                                      << "" << -1 << false << false << "";
    QTest::newRow("quoted path alone") << "\"/pics/a.jpg\"" << 6 << a << "" << -1 << false << false << "";
    QTest::newRow("quoted path and a trailing blank") << q << 6 << a << "" << -1 << false << false << "";
    QTest::newRow("unquoted path with options") << "/pics/a.jpg -u=alpha.example -e" << 6 << ""
                                                << "" << -1 << false << false << "";
    QTest::newRow("full form") << q + "-u=alpha.example -c=3 -e" << 6 << a << "alpha.example" << 3 << true << true
                               << "";
    QTest::newRow("path with blanks") << "\"/pics/my pic.jpg\" -u=beta.example" << 6 << "/pics/my pic.jpg"
                                      << "beta.example" << -1 << false << true << "";
    QTest::newRow("options in any order")
        << q + "-e -c=1 -u=img.host.ru" << 6 << a << "img.host.ru" << 1 << true << true << "";
    QTest::newRow("-e without -c") << q + "-u=alpha.example -e" << 6 << a << "alpha.example" << -1 << true << true
                                   << "";
    QTest::newRow("without -u nothing is accepted") << q + "-c=2 -e" << 6 << a << "" << 2 << true << false << "";
    QTest::newRow("missing file") << "\"/pics/none.jpg\" -u=alpha.example" << 6 << "/pics/none.jpg"
                                  << "alpha.example" << -1 << false << false << missingFile("/pics/none.jpg");
    QTest::newRow("empty quoted path") << "\"\" -u=alpha.example" << 6 << ""
                                       << "alpha.example" << -1 << false << false << missingFile("");
    QTest::newRow("missing service") << q + "-u=gamma.example -e" << 6 << a << "" << -1 << true << false
                                     << missingServer("gamma.example");
    QTest::newRow("missing file, then service")
        << "\"/pics/none.jpg\" -u=gamma.example" << 6 << "/pics/none.jpg"
        << "" << -1 << false << false << missingFile("/pics/none.jpg") + missingServer("gamma.example");
    QTest::newRow("service names are exact")
        << q + "-u=Alpha.example" << 6 << a << "" << -1 << false << false << missingServer("Alpha.example");
    QTest::newRow("empty service") << q + "-u=" << 6 << a << "" << -1 << false << false << missingServer("");
    QTest::newRow("-u twice, both invalid") << q + "-u=first -u=second" << 6 << a << "" << -1 << false << false
                                            << missingServer("first") + missingServer("second");
    QTest::newRow("-u twice, the second wins")
        << q + "-u=alpha.example -u=beta.example" << 6 << a << "beta.example" << -1 << false << true << "";
    QTest::newRow("-u invalid, then valid") << q + "-u=first -u=alpha.example" << 6 << a << "alpha.example" << -1
                                            << false << false << missingServer("first");
    QTest::newRow("-u valid, then invalid")
        << q + "-u=alpha.example -u=second" << 6 << a << "" << -1 << false << false << missingServer("second");
    QTest::newRow("third character skipped unread")
        << q + "-u:alpha.example -c:2" << 6 << a << "alpha.example" << 2 << false << true << "";
    QTest::newRow("-c 0") << q + "-u=alpha.example -c=0" << 6 << a << "alpha.example" << -1 << false << false
                          << missingLinkType("0");
    QTest::newRow("-c last offered") << q + "-u=alpha.example -c=6" << 6 << a << "alpha.example" << 6 << false << true
                                     << "";
    QTest::newRow("-c one past the offered")
        << q + "-u=alpha.example -c=7" << 6 << a << "alpha.example" << -1 << false << false << missingLinkType("7");
    QTest::newRow("-c not a number") << q + "-u=alpha.example -c=abc" << 6 << a << "alpha.example" << -1 << false
                                     << false << missingLinkType("0");
    QTest::newRow("-c empty") << q + "-u=alpha.example -c" << 6 << a << "alpha.example" << -1 << false << false
                              << missingLinkType("0");
    QTest::newRow("-c 2.5 to even") << q + "-u=alpha.example -c=2.5" << 6 << a << "alpha.example" << 2 << false << true
                                    << "";
    QTest::newRow("-c 3.5 to even") << q + "-u=alpha.example -c=3.5" << 6 << a << "alpha.example" << 4 << false << true
                                    << "";
    QTest::newRow("-c 0.5 to zero") << q + "-u=alpha.example -c=0.5" << 6 << a << "alpha.example" << -1 << false
                                    << false << missingLinkType("0");
    QTest::newRow("-c letters after the number")
        << q + "-u=alpha.example -c=2nd" << 6 << a << "alpha.example" << 2 << false << true << "";
    QTest::newRow("-c negative") << q + "-u=alpha.example -c=-1" << 6 << a << "alpha.example" << -1 << false << false
                                 << missingLinkType("-1");
    QTest::newRow("-c beyond 16 bits") << q + "-u=alpha.example -c=99999" << 6 << a << "alpha.example" << -1 << false
                                       << false << missingLinkType("99999");
    QTest::newRow("-c just beyond 16 bits") << q + "-u=alpha.example -c=65537" << 6 << a << "alpha.example" << -1
                                            << false << false << missingLinkType("65537");
    QTest::newRow("-c valid, then invalid") << q + "-u=alpha.example -c=2 -c=9" << 6 << a << "alpha.example" << -1
                                            << false << false << missingLinkType("9");
    QTest::newRow("-c invalid, then valid")
        << q + "-u=alpha.example -c=9 -c=2" << 6 << a << "alpha.example" << 2 << false << false << missingLinkType("9");
    // Slots 1 and 7 disabled: the selector offers five types, counted from 1 over what it shows.
    QTest::newRow("slot 1 disabled, 1 is the first offered")
        << q + "-u=alpha.example -c=1" << 5 << a << "alpha.example" << 1 << false << true << "";
    QTest::newRow("slot 1 disabled, 6 is past the offered")
        << q + "-u=alpha.example -c=6" << 5 << a << "alpha.example" << -1 << false << false << missingLinkType("6");
    QTest::newRow("no link types offered")
        << q + "-u=alpha.example -c=1" << 0 << a << "alpha.example" << -1 << false << false << missingLinkType("1");
    QTest::newRow("unknown tokens ignored") << q + "-x=1 plain -U=beta.example -E -u=alpha.example" << 6 << a
                                            << "alpha.example" << -1 << false << true << "";
    QTest::newRow("empty tokens ignored")
        << q + "-u=alpha.example  -c=2   -e " << 6 << a << "alpha.example" << 2 << true << true << "";
    QTest::newRow("-e by its first two characters")
        << q + "-u=alpha.example -exit" << 6 << a << "alpha.example" << -1 << true << true << "";
    QTest::newRow("errors in order: file, then options as given")
        << "\"/pics/none.jpg\" -c=0 -u=gamma.example -c=8" << 6 << "/pics/none.jpg"
        << "" << -1 << false << false
        << missingFile("/pics/none.jpg") + missingLinkType("0") + missingServer("gamma.example") + missingLinkType("8");
    QTest::newRow("no closing quote: the rest is the path")
        << "\"/pics/a.jpg -u=alpha.example -e" << 6 << "/pics/a.jpg -u=alpha.example -e"
        << "" << -1 << false << false << missingFile("/pics/a.jpg -u=alpha.example -e");
    QTest::newRow("no closing quote, existing path") << "\"/pics/a.jpg" << 6 << a << "" << -1 << false << false << "";
    QTest::newRow("option glued to the quote loses its first character")
        << "\"/pics/a.jpg\"-u=alpha.example" << 6 << a << "" << -1 << false << false << "";
    // Names keep their bytes in the results; in a problem line a control character shows as "?", so
    // a line break in a name cannot split the list.
    QTest::newRow("line break in a missing file's name")
        << "\"/pics/a\r\n- Файл b.jpg\" -u=alpha.example" << 6 << "/pics/a\r\n- Файл b.jpg"
        << "alpha.example" << -1 << false << false << missingFile("/pics/a?" "?- Файл b.jpg");
    QTest::newRow("control characters in a missing service's name")
        << q + "-u=x\ny\tz\x7f" << 6 << a << "" << -1 << false << false << missingServer("x?y?z?");
    QTest::newRow("empty text") << "" << 6 << ""
                                << "" << -1 << false << false << "";
}

void TestParseCommandSting::parse()
{
    QFETCH(QString, text);
    QFETCH(int, offered);
    QFETCH(QString, file);
    QFETCH(QString, server);
    QFETCH(int, linkType);
    QFETCH(bool, exit);
    QFETCH(bool, accepted);
    QFETCH(QString, errors);

    const auto parse = ParseCommandSting::ParseCommandSting(text, facts(offered));
    QCOMPARE(parse.results.CmdFile, file);
    QCOMPARE(parse.results.CmdServer, server);
    QCOMPARE(int(parse.results.CmdLinkType), linkType);
    QCOMPARE(parse.results.CmdExit, exit);
    QCOMPARE(parse.results.CmdAccepted, accepted);
    QCOMPARE(parse.errors, errors);
}

void TestParseCommandSting::settingOff()
{
    ProgramFacts off = facts();
    off.CommandLine = false;
    const auto parse
        = ParseCommandSting::ParseCommandSting(QStringLiteral("\"/pics/none.jpg\" -u=alpha.example -c=9 -e"), off);
    QCOMPARE(parse.results.CmdFile, QString());
    QCOMPARE(parse.results.CmdServer, QString());
    QCOMPARE(parse.results.CmdLinkType, qint16(-1));
    QVERIFY(!parse.results.CmdExit);
    QVERIFY(!parse.results.CmdAccepted);
    QVERIFY(parse.errors.isEmpty());
}

void TestParseCommandSting::realFileSystem()
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("картинка 1.jpg"));
    QFile file(picture);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("jpeg");
    file.close();
    const QString folder = dir.filePath(QStringLiteral("folder.jpg"));
    QVERIFY(QDir().mkpath(folder));

    ProgramFacts real = facts();
    real.FileExists = nullptr;

    auto parse = ParseCommandSting::ParseCommandSting(u'"' + picture + QStringLiteral("\" -u=img.host.ru"), real);
    QCOMPARE(parse.errors, QString());
    QVERIFY(parse.results.CmdAccepted);

    // A folder is not a picture file.
    parse = ParseCommandSting::ParseCommandSting(u'"' + folder + QStringLiteral("\" -u=img.host.ru"), real);
    QCOMPARE(parse.errors, missingFile(folder));
    QVERIFY(!parse.results.CmdAccepted);
}

void TestParseCommandSting::messageBox()
{
    MessageRecorder recorder;
    ParseCommandSting::ShowErrors(nullptr, QString());
    QVERIFY(recorder.messages().isEmpty());

    const auto parse
        = ParseCommandSting::ParseCommandSting(QStringLiteral("\"/pics/none.jpg\" -u=gamma.example"), facts());
    ParseCommandSting::ShowErrors(nullptr, parse.errors);
    QCOMPARE(recorder.messages().size(), 1);
    const Platform::MessageRecord& box = recorder.messages().first();
    QCOMPARE(box.text,
        QStringLiteral("Ошибка синтаксиса командной строки:\r\n\r\n- Файл /pics/none.jpg не найден.\r\n"
                       "- Указанного сервера gamma.example нет в списке.\r\n"));
    QCOMPARE(box.text, ParseCommandSting::ErrorMessageText(parse.errors));
    QCOMPARE(box.title, QStringLiteral("Ошибка"));
    QCOMPARE(box.icon, Platform::MessageIcon::Error);
    QVERIFY(box.text.startsWith(Header));
}

void TestParseCommandSting::commandLineText_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("text");

    QTest::newRow("no argument") << QStringList() << "";
    QTest::newRow("one path") << QStringList { "/home/u/my pic.jpg" } << "\"/home/u/my pic.jpg\"";
    QTest::newRow("path and options") << QStringList { "/pics/a.jpg", "-u=alpha.example", "-c=3", "-e" }
                                      << "\"/pics/a.jpg\" -u=alpha.example -c=3 -e";
    QTest::newRow("empty argument keeps its blank") << QStringList { "/pics/a.jpg", "", "-e" } << "\"/pics/a.jpg\"  -e";
    QTest::newRow("option first") << QStringList { "-e" } << "\"-e\"";
}

void TestParseCommandSting::commandLineText()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, text);
    QCOMPARE(ParseCommandSting::CommandLineText(arguments), text);
}

void TestParseCommandSting::relativePictureMadeAbsolute()
{
    const QString folder = QStringLiteral("/home/user/Фото");
    QCOMPARE(ParseCommandSting::CommandLineText({ QStringLiteral("a.jpg"), QStringLiteral("-e") }, folder),
        QStringLiteral("\"/home/user/Фото/a.jpg\" -e"));
    QCOMPARE(ParseCommandSting::CommandLineText({ QStringLiteral("../b c.jpg") }, folder),
        QStringLiteral("\"/home/user/b c.jpg\""));
    QCOMPARE(ParseCommandSting::CommandLineText({ QStringLiteral("/pics/a.jpg") }, folder),
        QStringLiteral("\"/pics/a.jpg\""));
    // Only the picture: an option stays as given.
    QCOMPARE(ParseCommandSting::CommandLineText({ QStringLiteral("/pics/a.jpg"), QStringLiteral("-u=x.y") }, folder),
        QStringLiteral("\"/pics/a.jpg\" -u=x.y"));
}

void TestParseCommandSting::stripQuotes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stripped");

    QTest::newRow("lone quoted path") << "\"/home/u/my pic.jpg\""
                                      << "/home/u/my pic.jpg";
    QTest::newRow("full form kept") << "\"/pics/a.jpg\" -u=alpha.example"
                                    << "\"/pics/a.jpg\" -u=alpha.example";
    QTest::newRow("every quote removed") << "\"/pics/a\"b.jpg\""
                                         << "/pics/ab.jpg";
    QTest::newRow("unquoted path") << "/pics/a.jpg"
                                   << "/pics/a.jpg";
    QTest::newRow("quote only at the end") << "/pics/a.jpg\""
                                           << "/pics/a.jpg\"";
    QTest::newRow("one quote") << "\""
                               << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestParseCommandSting::stripQuotes()
{
    QFETCH(QString, text);
    QFETCH(QString, stripped);
    QCOMPARE(ParseCommandSting::StripQuotes(text), stripped);
}

void TestParseCommandSting::argumentsToResults()
{
    // The arguments that a script passes, through the start-up's rebuilding and quote rule, to the parse.
    const QString text
        = ParseCommandSting::StripQuotes(ParseCommandSting::CommandLineText({ QStringLiteral("/pics/my pic.jpg"),
            QStringLiteral("-u=img.host.ru"), QStringLiteral("-c=2"), QStringLiteral("-e") }));
    const auto parse = ParseCommandSting::ParseCommandSting(text, facts());
    QCOMPARE(parse.results.CmdFile, QStringLiteral("/pics/my pic.jpg"));
    QCOMPARE(parse.results.CmdServer, QStringLiteral("img.host.ru"));
    QCOMPARE(parse.results.CmdLinkType, qint16(2));
    QVERIFY(parse.results.CmdExit);
    QVERIFY(parse.results.CmdAccepted);
}

QTEST_MAIN(TestParseCommandSting)
#include "tst_parsecommandsting.moc"
