#include "engine/ServerCatalogue.h"
#include "engine/SxcuFile.h"
#include "engine/SxcuImport.h"
#include "engine/SxcuPrompter.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace
{

// Gives the answers in turn and keeps the questions.
class ListPrompter final : public SxcuPrompter
{
public:
    explicit ListPrompter(QStringList answers = {})
        : m_answers(std::move(answers))
    {
    }

    QString select(const QStringList& alternatives) override { return alternatives.value(0); }
    QString input(const QString& title, const QString&) override
    {
        questions << title;
        return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    }

    QStringList questions;

private:
    QStringList m_answers;
};

const QByteArray Imgur = "{\n"
                         "  \"Version\": \"14.0.1\",\n"
                         "  \"RequestURL\": \"https://api.example/3/image?key=<API KEY HERE>\",\n"
                         "  \"Headers\": { \"Authorization\": \"Client-ID <API KEY HERE>\", \"X-Extra\": \"\" },\n"
                         "  \"Arguments\": { \"token\": \"\", \"title\": \"<b>{filename}</b>\" },\n"
                         "  \"FileFormName\": \"image\",\n"
                         "  \"URL\": \"{regex:<link>(.*)</link>|1}\"\n"
                         "}\n";

const QByteArray Plain = "{\"RequestURL\": \"https://up.example/\", \"FileFormName\": \"file\", \"URL\": \"\"}";

QJsonObject written(const TempProgramFolder& folder, const QString& server)
{
    return QJsonDocument::fromJson(folder.readFile(QStringLiteral("data/") + server + QStringLiteral(".sxcu")))
        .object();
}

} // namespace

class tst_SxcuImport : public QObject
{
    Q_OBJECT

private slots:
    void findsTheBlanksOfTheRequestOnly()
    {
        const QList<SxcuImport::Blank> blanks = SxcuImport::FindBlanks(Imgur);
        QStringList found;
        for (const SxcuImport::Blank& blank : blanks)
            found << blank.field + u'/' + blank.key + u'/' + blank.placeholder;
        // "<b>" and the reply's "<link>" are markup, an empty value of a name that is no credential is allowed.
        QCOMPARE(found,
            QStringList({ "RequestURL//<API KEY HERE>", "Headers/Authorization/<API KEY HERE>", "Arguments/token/" }));
        QVERIFY(SxcuImport::FindBlanks("not json").isEmpty());
    }

    void fillsAndWritesTheService()
    {
        TempProgramFolder folder;
        folder.writeFile(QStringLiteral("in/api.example.sxcu"), Imgur);
        ListPrompter prompter({ QStringLiteral("K123"), QStringLiteral("T9") });
        const SxcuImport::Result result
            = SxcuImport::Import(folder.path(), folder.filePath(QStringLiteral("in/api.example.sxcu")), prompter);
        QCOMPARE(result.status, SxcuImport::Status::Imported);
        QCOMPARE(result.server, QStringLiteral("api.example"));
        QCOMPARE(prompter.questions,
            QStringList({ "api.example.sxcu, RequestURL: <API KEY HERE>",
                "api.example.sxcu, Arguments › token: нужно значение" }));

        const SxcuFile file = SxcuFile::Read(ServerCatalogue::SxcuPath(folder.path(), result.server));
        QVERIFY2(file.isUsable(), qPrintable(file.Problem));
        QCOMPARE(file.RequestURL, QStringLiteral("https://api.example/3/image?key=K123"));
        QCOMPARE(file.Headers.value(0), std::pair(QStringLiteral("Authorization"), QStringLiteral("Client-ID K123")));
        QVERIFY(file.Arguments.contains(std::pair(QStringLiteral("token"), QStringLiteral("T9"))));
        QCOMPARE(file.URL, QStringLiteral("{regex:<link>(.*)</link>|1}"));
        QVERIFY(ServerCatalogue::BuildServerList(folder.path()).contains(result.server));
        // The answers stand in the author's text, which keeps its order and layout.
        QCOMPARE(folder.readFile(QStringLiteral("data/api.example.sxcu")),
            QByteArray(Imgur)
                .replace("key=<API KEY HERE>", "key=K123")
                .replace("Client-ID <API KEY HERE>", "Client-ID K123")
                .replace(R"("token": "")", R"("token": "T9")"));
    }

    // An answer is written as a JSON string whatever it holds, in the member a JSON reader takes: the last
    // of two of one name.
    void answerWrittenIntoTheMemberReadersTake()
    {
        TempProgramFolder folder;
        const QByteArray text = "{\"RequestURL\": \"https://up.example/\", \"FileFormName\": \"file\",\n"
                                "  \"Headers\": {\"X-Key\": \"<KEY>\", \"X-Key\": \"Bearer <KEY>\", \"A\": \"1\"}}";
        folder.writeFile(QStringLiteral("in/up.example.sxcu"), text);
        ListPrompter prompter({ QStringLiteral("k\"1\\ é") });
        const SxcuImport::Result result
            = SxcuImport::Import(folder.path(), folder.filePath(QStringLiteral("in/up.example.sxcu")), prompter);
        QCOMPARE(result.status, SxcuImport::Status::Imported);
        QCOMPARE(prompter.questions.size(), 1);
        const QByteArray written = folder.readFile(QStringLiteral("data/up.example.sxcu"));
        QCOMPARE(written, QByteArray(text).replace("\"Bearer <KEY>\"", "\"Bearer k\\\"1\\\\ é\""));
        const SxcuFile file = SxcuFile::Parse(written, QStringLiteral("up.example.sxcu"));
        QCOMPARE(file.Headers, (SxcuFile::Fields { { "X-Key", QStringLiteral("Bearer k\"1\\ é") }, { "A", "1" } }));
    }

    void fileWithoutBlanksIsCopiedAsItIs()
    {
        TempProgramFolder folder;
        folder.writeFile(QStringLiteral("in/Up.Example.SXCU"), Plain);
        ListPrompter prompter;
        const SxcuImport::Result result
            = SxcuImport::Import(folder.path(), folder.filePath(QStringLiteral("in/Up.Example.SXCU")), prompter);
        QCOMPARE(result.status, SxcuImport::Status::Imported);
        QCOMPARE(result.server, QStringLiteral("Up.Example"));
        QCOMPARE(folder.readFile(QStringLiteral("data/Up.Example.sxcu")), Plain);
        QVERIFY(prompter.questions.isEmpty());
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");

        QTest::newRow("not JSON") << "bad.example.sxcu" << QByteArray("{") << QStringList()
                                  << int(SxcuImport::Status::Invalid) << "Файл bad.example.sxcu: неверный JSON";
        QTest::newRow("body an image upload cannot use")
            << "text.example.sxcu" << QByteArray("{\"RequestURL\": \"https://t.example/\", \"Body\": \"JSON\"}")
            << QStringList() << int(SxcuImport::Status::Invalid) << "Файл text.example.sxcu: поле Body";
        QTest::newRow("no name") << ".sxcu" << Plain << QStringList() << int(SxcuImport::Status::Invalid)
                                 << "Из имени файла .sxcu не получается имя сервиса";
        QTest::newRow("answer left empty")
            << "api.example.sxcu" << Imgur << QStringList({ "K" }) << int(SxcuImport::Status::NotFilled)
            << "Не задано значение: api.example.sxcu, Arguments › token: нужно значение";
        QTest::newRow("answer that breaks the address")
            << "api.example.sxcu" << Imgur << QStringList({ "[oops", "T" }) << int(SxcuImport::Status::Invalid)
            << "Файл api.example.sxcu: поле RequestURL \"https://[oops/3/image\"";
        QTest::newRow("another service of that name")
            << "taken.example.sxcu" << Plain << QStringList() << int(SxcuImport::Status::Exists)
            << "Сервис taken.example уже есть: файл taken.example.sxcu";
        QTest::newRow("a script of that name")
            << "script.example.sxcu" << Plain << QStringList() << int(SxcuImport::Status::Exists)
            << "Сервис script.example уже есть: его профиль script.example.serv";
    }

    void refusals()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, answers);
        QFETCH(int, status);
        QFETCH(QString, message);
        TempProgramFolder folder;
        folder.writeFile(QStringLiteral("data/taken.example.sxcu"), "{\"other\": 1}");
        folder.writeFile(QStringLiteral("data/script.example.serv"), "SERVER:x\r\n");
        if (QTest::currentDataTag() == QByteArrayLiteral("answer that breaks the address"))
            content.replace("https://api.example/3/image?key=<API KEY HERE>", "https://<API KEY HERE>/3/image");
        folder.writeFile(QStringLiteral("in/") + fileName, content);
        const QStringList before = QDir(folder.filePath(QStringLiteral("data"))).entryList(QDir::Files);
        const QByteArray taken = folder.readFile(QStringLiteral("data/taken.example.sxcu"));

        ListPrompter prompter(answers);
        const SxcuImport::Result result
            = SxcuImport::Import(folder.path(), folder.filePath(QStringLiteral("in/") + fileName), prompter);
        QCOMPARE(int(result.status), status);
        QVERIFY2(result.message.startsWith(message) && !result.message.isEmpty(), qPrintable(result.message));
        QCOMPARE(QDir(folder.filePath(QStringLiteral("data"))).entryList(QDir::Files), before);
        QCOMPARE(folder.readFile(QStringLiteral("data/taken.example.sxcu")), taken);
    }

    void sameFileAgainOrReplaced()
    {
        TempProgramFolder folder;
        folder.writeFile(QStringLiteral("in/up.example.sxcu"), Plain);
        ListPrompter prompter;
        const QString source = folder.filePath(QStringLiteral("in/up.example.sxcu"));
        QCOMPARE(SxcuImport::Import(folder.path(), source, prompter).status, SxcuImport::Status::Imported);
        QCOMPARE(SxcuImport::Import(folder.path(), source, prompter).status, SxcuImport::Status::Imported);

        QByteArray changed = Plain;
        changed.replace("up.example/", "up.example/v2");
        folder.writeFile(QStringLiteral("in/up.example.sxcu"), changed);
        QCOMPARE(SxcuImport::Import(folder.path(), source, prompter).status, SxcuImport::Status::Exists);
        QCOMPARE(folder.readFile(QStringLiteral("data/up.example.sxcu")), Plain);
        QCOMPARE(SxcuImport::Import(folder.path(), source, prompter, true).status, SxcuImport::Status::Imported);
        QCOMPARE(written(folder, QStringLiteral("up.example"))[QStringLiteral("RequestURL")].toString(),
            QStringLiteral("https://up.example/v2"));
        QVERIFY(prompter.questions.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_SxcuImport)
#include "tst_SxcuImport.moc"
