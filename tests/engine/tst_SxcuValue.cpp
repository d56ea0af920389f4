#include "engine/SxcuPrompter.h"
#include "engine/SxcuValue.h"

#include <QTest>

namespace
{

// Answers as a user would who always takes the last alternative and types a recognisable text.
class ScriptedPrompter final : public SxcuPrompter
{
public:
    QString select(const QStringList& alternatives) override { return alternatives.last(); }
    QString input(const QString& title, const QString& defaultText) override
    {
        return QStringLiteral("typed:") + title + u'/' + defaultText;
    }
};

SxcuReply replyWith(const QByteArray& body)
{
    SxcuReply reply;
    reply.statusCode = 200;
    reply.statusLine = QStringLiteral("200 OK");
    reply.headers
        = { { "Content-Type", "application/json" }, { "X-Token", "tok123" }, { "X-Json", R"({"a":"from header"})" } };
    reply.body = body;
    reply.url = QStringLiteral("https://host.example/final");
    return reply;
}

const QByteArray FilesJson = R"({"success":true,"files":[{"url":"u0"},{"url":"https:\/\/a.example\/u1.png",)"
                             R"("tags":[["a","b"],["c"]]}]})";
const QByteArray ImageXml = R"(<?xml version="1.0"?><rsp stat="ok"><image id="i1"><url>u1</url></image>)"
                            R"(<image id="i2"><url>u2</url><thumb><url>t2</url></thumb></image></rsp>)";

} // namespace

class tst_SxcuValue : public QObject
{
    Q_OBJECT

private slots:
    void evaluate_data();
    void evaluate();
    void unattendedAnswers();
    void randomTakesOneAlternative();
    void deepNestingIsBounded();
    void linkOfEmptyValueIsWholeBodyTrimmed();
    void oldSyntax_data();
    void oldSyntax();
};

void tst_SxcuValue::evaluate_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    const QByteArray data = R"({"data":{"url":"https:\/\/i.example\/a.png","id":"x\"y"}})";
    QTest::newRow("literal text") << "plain text: a|b" << QByteArray() << "plain text: a|b";
    QTest::newRow("response") << "[{response}]" << QByteArray("abc\n") << "[abc\n]";
    QTest::newRow("responseurl") << "{responseurl}" << QByteArray() << "https://host.example/final";
    QTest::newRow("header, any case") << "{header:x-token}" << QByteArray() << "tok123";
    QTest::newRow("header missing") << "<{header:X-None}>" << QByteArray() << "<>";
    QTest::newRow("json, escaped slashes") << "{json:data.url}" << data << "https://i.example/a.png";
    QTest::newRow("json, escaped quote") << "{json:data.id}" << data << "x\"y";
    QTest::newRow("json, $. in front") << "{json:$.data.url}" << data << "https://i.example/a.png";
    QTest::newRow("json, array member") << "{json:files[1].url}" << FilesJson << "https://a.example/u1.png";
    QTest::newRow("json, nested arrays") << "{json:files[1].tags[1][0]}" << FilesJson << "c";
    QTest::newRow("json, top-level array") << "{json:[0].code}" << QByteArray(R"([{"code":"x1"}])") << "x1";
    QTest::newRow("json, quoted key") << "{json:['a b'].c}" << QByteArray(R"({"a b":{"c":"d"}})") << "d";
    QTest::newRow("json, numbers, booleans, objects")
        << "{json:n} {json:f} {json:b} {json:o} {json:z}"
        << QByteArray(R"({"n":42,"f":1.5,"b":true,"o":{"a":[1]},"z":null})") << R"(42 1.5 true {"a":[1]} )";
    QTest::newRow("json, unicode escapes") << "{json:t}" << QByteArray(R"({"t":"\u041f\u0440\u0438"})") << "При";
    QTest::newRow("json, missing member") << "<{json:data.nothing.url}>" << data << "<>";
    QTest::newRow("json, index out of range") << "<{json:files[5].url}>" << FilesJson << "<>";
    QTest::newRow("json, index into an object") << "<{json:data[0]}>" << data << "<>";
    QTest::newRow("json, body not json") << "<{json:a}>" << QByteArray("<html>") << "<>";
    QTest::newRow("json of a header") << "{json:{header:X-Json}|a}" << QByteArray() << "from header";
    QTest::newRow("json of the body named explicitly")
        << "https://x/{json:{response}|data.url}" << data << "https://x/https://i.example/a.png";
    QTest::newRow("xml, index among siblings") << "{xml:/rsp/image[2]/url}" << ImageXml << "u2";
    QTest::newRow("xml, first of several") << "{xml:/rsp/image/url}" << ImageXml << "u1";
    QTest::newRow("xml, only a later sibling has it") << "{xml:/rsp/image/thumb/url}" << ImageXml << "t2";
    QTest::newRow("xml, attribute") << "{xml:/rsp/image[2]/@id}" << ImageXml << "i2";
    QTest::newRow("xml, missing") << "<{xml:/rsp/image[3]/url}>" << ImageXml << "<>";
    QTest::newRow("xml, wrong root") << "<{xml:/other/image}>" << ImageXml << "<>";
    QTest::newRow("regex, whole match") << "{regex:[a-z]+\\d+}" << QByteArray("id=abc123;") << "abc123";
    QTest::newRow("regex, numbered group") << "{regex:id=(\\w+)|1}" << QByteArray("id=abc123;") << "abc123";
    QTest::newRow("regex, named group") << "{regex:id=(?<id>[a-z]+)|id}" << QByteArray("id=abc123;") << "abc";
    QTest::newRow("regex, input given") << "{regex:{header:X-Token}|tok(\\d+)|1}" << QByteArray() << "123";
    QTest::newRow("regex, escaped braces and bar") << "{regex:a\\{2\\}\\|b|0}" << QByteArray("xaab") << "aa";
    QTest::newRow("regex, no match") << "<{regex:zzz(\\d)|1}>" << QByteArray("abc") << "<>";
    QTest::newRow("regex, invalid pattern") << "<{regex:(}>" << QByteArray("(") << "<>";
    QTest::newRow("filename") << "name={filename}" << QByteArray() << "name=shot 1.png";
    QTest::newRow("base64") << "Basic {base64:user:pass}" << QByteArray() << "Basic dXNlcjpwYXNz";
    QTest::newRow("select asks") << "{select:a|b|c}" << QByteArray() << "c";
    QTest::newRow("inputbox asks") << "{inputbox:Ключ|def}" << QByteArray() << "typed:Ключ/def";
    QTest::newRow("prompt is inputbox") << "{prompt:T|d}" << QByteArray() << "typed:T/d";
    QTest::newRow("inputbox without arguments") << "{inputbox}" << QByteArray() << "typed:/";
    QTest::newRow("escapes") << "a\\{b\\}\\|c\\\\d" << QByteArray() << "a{b}|c\\d";
    QTest::newRow("backslash before other text") << "C:\\path\\n" << QByteArray() << "C:\\path\\n";
    QTest::newRow("unknown function is text") << "{unknown} {x:y}" << QByteArray() << "{unknown} {x:y}";
    QTest::newRow("json text is text") << R"({"a": {"b": 1}})" << QByteArray() << R"({"a": {"b": 1}})";
    QTest::newRow("unclosed function is text") << "x{json:data.url" << data << "x{json:data.url";
    QTest::newRow("function name in any case") << "{JSON:data.url}" << data << "https://i.example/a.png";
}

void tst_SxcuValue::evaluate()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);

    const SxcuReply reply = replyWith(body);
    ScriptedPrompter prompter;
    const SxcuValue::Context context { &reply, QStringLiteral("shot 1.png"), &prompter };
    QCOMPARE(SxcuValue::Evaluate(value, context), expected);
}

void tst_SxcuValue::unattendedAnswers()
{
    const SxcuValue::Context context { nullptr, QString(), nullptr };
    QCOMPARE(SxcuValue::Evaluate(QStringLiteral("{select:a|b}/{inputbox:Ключ|def}/{response}"), context),
        QStringLiteral("a/def/"));
    UnattendedSxcuPrompter unattended;
    const SxcuValue::Context withPrompter { nullptr, QString(), &unattended };
    QCOMPARE(SxcuValue::Evaluate(QStringLiteral("{select:a|b}/{prompt:T|d}"), withPrompter), QStringLiteral("a/d"));
}

void tst_SxcuValue::randomTakesOneAlternative()
{
    const SxcuValue::Context context;
    QSet<QString> seen;
    for (int i = 0; i < 200; ++i)
        seen << SxcuValue::Evaluate(QStringLiteral("{random:a|b|c}"), context);
    QCOMPARE(seen, (QSet<QString> { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") }));
}

// A file of at most 1 MB can nest a hundred thousand functions; past a depth that no file needs the braces
// are text, and the evaluator neither crashes nor loses the text.
void tst_SxcuValue::deepNestingIsBounded()
{
    const SxcuReply reply = replyWith("body");
    const SxcuValue::Context context { &reply, QStringLiteral("p.png"), nullptr };
    const int levels = 100000;
    const QString value = QStringLiteral("{regex:").repeated(levels) + QStringLiteral("x") + QString(levels, u'}');
    SxcuValue::Evaluate(value, context); // returns, with the stack intact
    const QString nested = QStringLiteral("{base64:").repeated(3) + QStringLiteral("a}}}");
    QCOMPARE(
        SxcuValue::Evaluate(nested, context), QString::fromLatin1(QByteArray("a").toBase64().toBase64().toBase64()));
}

void tst_SxcuValue::linkOfEmptyValueIsWholeBodyTrimmed()
{
    const SxcuReply reply = replyWith(" https://files.example/ab12.png\r\n");
    const SxcuValue::Context context { &reply, QString(), nullptr };
    QCOMPARE(SxcuValue::EvaluateLink(QString(), context), QStringLiteral("https://files.example/ab12.png"));
    QCOMPARE(SxcuValue::EvaluateLink(QStringLiteral("{response}"), context),
        QStringLiteral("https://files.example/ab12.png"));
}

void tst_SxcuValue::oldSyntax_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("regexList");
    QTest::addColumn<QString>("converted");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    const QByteArray body = R"({"data":{"link":"https:\/\/i.example\/abc.png","id":"abc"}})";
    QTest::newRow("json") << "$json:data.link$" << QStringList() << "{json:data.link}" << body
                          << "https://i.example/abc.png";
    QTest::newRow("regex list, numbered group")
        << "https://i.example/$regex:1|1$.png" << QStringList { R"~("id":"(\w+)")~" }
        << R"~(https://i.example/{regex:"id":"(\\w+)"|1}.png)~" << body << "https://i.example/abc.png";
    QTest::newRow("regex list, second entry, named group, braces and bar")
        << "$regex:2|v$" << QStringList { "unused", R"~("id":"(?<v>\w{3}|zz)")~" }
        << R"~({regex:"id":"(?<v>\\w\{3\}\|zz)"|v})~" << body << "abc";
    QTest::newRow("regex list, entry missing")
        << "<$regex:3|1$>" << QStringList { "x" } << "<{regex:|1}>" << body << "<>";
    QTest::newRow("literal dollar and braces")
        << "\\$5 {x} $response$" << QStringList() << "$5 \\{x\\} {response}" << QByteArray("ok") << "$5 {x} ok";
    QTest::newRow("function without arguments")
        << "$filename$" << QStringList() << "{filename}" << QByteArray() << "f.png";
    QTest::newRow("unknown name stays text") << "$notfunc$ and $ alone" << QStringList() << "$notfunc$ and $ alone"
                                             << QByteArray() << "$notfunc$ and $ alone";
    QTest::newRow("header and backslash")
        << "a\\b $header:X-Token$" << QStringList() << "a\\\\b {header:X-Token}" << QByteArray() << "a\\b tok123";
}

void tst_SxcuValue::oldSyntax()
{
    QFETCH(QString, value);
    QFETCH(QStringList, regexList);
    QFETCH(QString, converted);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);

    QCOMPARE(SxcuValue::ConvertOldSyntax(value, regexList), converted);
    const SxcuReply reply = replyWith(body);
    const SxcuValue::Context context { &reply, QStringLiteral("f.png"), nullptr };
    QCOMPARE(SxcuValue::Evaluate(converted, context), expected);
}

QTEST_GUILESS_MAIN(tst_SxcuValue)
#include "tst_SxcuValue.moc"
