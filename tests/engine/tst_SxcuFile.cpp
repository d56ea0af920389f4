#include "engine/SxcuFile.h"

#include <QTemporaryDir>
#include <QTest>

using Fields = SxcuFile::Fields;

class tst_SxcuFile : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryField();
    void defaults();
    void oldFile();
    void problems_data();
    void problems();
    void readsFromDisk();
    void fieldsKeepTheOrderOfTheFile_data();
    void fieldsKeepTheOrderOfTheFile();
};

void tst_SxcuFile::readsEveryField()
{
    const SxcuFile file = SxcuFile::Parse(R"({
      "Version": "18.0.2", "Name": "example host", "DestinationType": "ImageUploader, FileUploader",
      "RequestMethod": "put", "RequestURL": "https://images.example.org/api/upload?a=1",
      "Parameters": { "output": "json", "n": 5 }, "Headers": { "Authorization": "Client-ID 0123" },
      "Body": "Binary", "Arguments": { "expires": "24", "flag": true }, "FileFormName": "file",
      "URL": "{json:data.url}", "ThumbnailURL": "{json:data.thumb.url}", "DeletionURL": "{json:data.delete_url}",
      "ErrorMessage": "{json:error.message}" })",
        QStringLiteral("example.sxcu"));

    QCOMPARE(file.Problem, QString());
    QCOMPARE(file.FileName, QStringLiteral("example.sxcu"));
    QCOMPARE(file.Version, QStringLiteral("18.0.2"));
    QCOMPARE(file.Name, QStringLiteral("example host"));
    QCOMPARE(file.DestinationType, QStringLiteral("ImageUploader, FileUploader"));
    QCOMPARE(file.RequestMethod, QStringLiteral("PUT"));
    QCOMPARE(file.RequestURL, QStringLiteral("https://images.example.org/api/upload?a=1"));
    QCOMPARE(file.Parameters, (Fields { { "output", "json" }, { "n", "5" } }));
    QCOMPARE(file.Headers, (Fields { { "Authorization", "Client-ID 0123" } }));
    QCOMPARE(file.Body, SxcuFile::BodyKind::Binary);
    QCOMPARE(file.Arguments, (Fields { { "expires", "24" }, { "flag", "true" } }));
    QCOMPARE(file.FileFormName, QStringLiteral("file"));
    QCOMPARE(file.URL, QStringLiteral("{json:data.url}"));
    QCOMPARE(file.ThumbnailURL, QStringLiteral("{json:data.thumb.url}"));
    QCOMPARE(file.DeletionURL, QStringLiteral("{json:data.delete_url}"));
    QCOMPARE(file.ErrorMessage, QStringLiteral("{json:error.message}"));
    QVERIFY(!file.OldSyntax);
}

void tst_SxcuFile::defaults()
{
    // Field names in any case; no method, no name, no body kind, no scheme.
    const SxcuFile file = SxcuFile::Parse(
        R"({"requesturl": "files.example.net/upload", "fileformname": "f", "url": ""})", QStringLiteral("x.sxcu"));
    QCOMPARE(file.Problem, QString());
    QCOMPARE(file.RequestMethod, QStringLiteral("POST"));
    QCOMPARE(file.RequestURL, QStringLiteral("https://files.example.net/upload"));
    QCOMPARE(file.Name, QStringLiteral("files.example.net"));
    QCOMPARE(file.Body, SxcuFile::BodyKind::MultipartFormData);
    QCOMPARE(file.FileFormName, QStringLiteral("f"));
    QVERIFY(!file.OldSyntax);
}

void tst_SxcuFile::oldFile()
{
    const SxcuFile file = SxcuFile::Parse(R"({
      "Version": "12.4.1", "RequestType": "PUT", "RequestURL": "https://old.example/up",
      "Headers": { "Authorization": "Basic $base64:a:b$" }, "FileFormName": "image",
      "RegexList": [ "\"link\":\"(.+?)\"" ], "URL": "$regex:1|1$", "ThumbnailURL": "$json:data.thumb$",
      "DeletionURL": "https://old.example/del/$json:data.deletehash$" })",
        QStringLiteral("old.sxcu"));
    QCOMPARE(file.Problem, QString());
    QVERIFY(file.OldSyntax);
    QCOMPARE(file.RequestMethod, QStringLiteral("PUT"));
    QCOMPARE(file.Headers, (Fields { { "Authorization", "Basic {base64:a:b}" } }));
    QCOMPARE(file.URL, QStringLiteral(R"~({regex:"link":"(.+?)"|1})~"));
    QCOMPARE(file.ThumbnailURL, QStringLiteral("{json:data.thumb}"));
    QCOMPARE(file.DeletionURL, QStringLiteral("https://old.example/del/{json:data.deletehash}"));

    // Without a version the values tell.
    const SxcuFile unversioned = SxcuFile::Parse(
        R"({"RequestURL": "https://o.example/", "FileFormName": "f", "URL": "$json:url$"})", QStringLiteral("o.sxcu"));
    QVERIFY(unversioned.OldSyntax);
    QCOMPARE(unversioned.URL, QStringLiteral("{json:url}"));
    const SxcuFile current = SxcuFile::Parse(
        R"({"RequestURL": "https://o.example/", "FileFormName": "f", "URL": "{json:url}"})", QStringLiteral("o.sxcu"));
    QVERIFY(!current.OldSyntax);
    QCOMPARE(current.URL, QStringLiteral("{json:url}"));
}

void tst_SxcuFile::problems_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("problem");

    QTest::newRow("not JSON") << QByteArray(R"({"RequestURL": "https://a.example/",)")
                              << "Файл h.sxcu: неверный JSON (unterminated object, позиция 36)";
    QTest::newRow("not an object") << QByteArray("[1, 2]") << "Файл h.sxcu: ожидается объект JSON с полями закачки";
    QTest::newRow("no RequestURL") << QByteArray(R"({"FileFormName": "f"})")
                                   << "Файл h.sxcu: нет поля RequestURL с адресом для закачки";
    QTest::newRow("RequestURL of another scheme")
        << QByteArray(R"({"RequestURL": "ftp://a.example/", "FileFormName": "f"})")
        << "Файл h.sxcu: поле RequestURL \"ftp://a.example/\" не является адресом http:// или https://";
    QTest::newRow("RequestURL without host") << QByteArray(R"({"RequestURL": "https:///up", "FileFormName": "f"})")
                                             << "Файл h.sxcu: поле RequestURL \"https:///up\" не является адресом "
                                                "http:// или https://";
    QTest::newRow("body of text") << QByteArray(R"({"RequestURL": "https://a.example/", "Body": "JSON"})")
                                  << "Файл h.sxcu: поле Body не годится для закачки изображения: нужно "
                                     "MultipartFormData или Binary";
    QTest::newRow("body unknown") << QByteArray(R"({"RequestURL": "https://a.example/", "Body": "Raw"})")
                                  << "Файл h.sxcu: неизвестное значение поля Body \"Raw\"";
    QTest::newRow("multipart without FileFormName")
        << QByteArray(R"({"RequestURL": "https://a.example/", "Body": "MultipartFormData"})")
        << "Файл h.sxcu: для Body MultipartFormData нужно поле FileFormName (имя части с файлом)";
    QTest::newRow("method unknown") << QByteArray(
        R"({"RequestURL": "https://a.example/", "RequestMethod": "TRACE", "Body": "Binary"})")
                                    << "Файл h.sxcu: метод \"TRACE\" в поле RequestMethod не поддерживается";
    QTest::newRow("headers not an object")
        << QByteArray(R"({"RequestURL": "https://a.example/", "Body": "Binary", "Headers": ["a"]})")
        << "Файл h.sxcu: поле Headers должно быть объектом JSON";
    QTest::newRow("URL not a string") << QByteArray(
        R"({"RequestURL": "https://a.example/", "Body": "Binary", "URL": {"a": 1}})")
                                      << "Файл h.sxcu: поле URL должно быть строкой";
    QTest::newRow("a link shortener")
        << QByteArray(R"({"RequestURL": "https://a.example/", "Body": "Binary", "DestinationType": "URLShortener"})")
        << "Файл h.sxcu: поле DestinationType \"URLShortener\" не называет закачку изображений (ImageUploader) или "
           "файлов (FileUploader)";
}

void tst_SxcuFile::problems()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, problem);

    const SxcuFile file = SxcuFile::Parse(json, QStringLiteral("h.sxcu"));
    QCOMPARE(file.Problem, problem);
    QVERIFY(!file.isUsable());
}

void tst_SxcuFile::readsFromDisk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(SxcuFile::Read(dir.filePath(QStringLiteral("missing.sxcu"))).Problem,
        QStringLiteral("Не удалось прочитать файл missing.sxcu"));

    QFile good(dir.filePath(QStringLiteral("good.sxcu")));
    QVERIFY(good.open(QIODevice::WriteOnly));
    good.write(R"({"RequestURL": "https://g.example/up", "FileFormName": "file"})");
    good.close();
    const SxcuFile file = SxcuFile::Read(good.fileName());
    QVERIFY(file.isUsable());
    QCOMPARE(file.FileName, QStringLiteral("good.sxcu"));
    QCOMPARE(file.Name, QStringLiteral("g.example"));

    QFile large(dir.filePath(QStringLiteral("large.sxcu")));
    QVERIFY(large.open(QIODevice::WriteOnly));
    QVERIFY(large.resize(SxcuFile::MaxFileBytes + 1));
    large.close();
    QCOMPARE(
        SxcuFile::Read(large.fileName()).Problem, QStringLiteral("Файл large.sxcu больше 1 МБ: это не файл закачки"));
}

QTEST_GUILESS_MAIN(tst_SxcuFile)
#include "tst_SxcuFile.moc"

void tst_SxcuFile::fieldsKeepTheOrderOfTheFile_data()
{
    QTest::addColumn<QByteArray>("headers"); // the value of the Headers member
    QTest::addColumn<Fields>("expected");

    QTest::newRow("against the alphabet") << QByteArray(R"({"zeta": "1", "Alpha": "2", "mid": "3"})")
                                          << Fields { { "zeta", "1" }, { "Alpha", "2" }, { "mid", "3" } };
    QTest::newRow("a name given twice: its first place, its last value")
        << QByteArray(R"({"b": "1", "a": "2", "b": "3"})") << Fields { { "b", "3" }, { "a", "2" } };
    QTest::newRow("escaped names") << QByteArray(R"({"\u007a": "1", "a\"b": "2", "\u00e9t\u00e9": "3", "a": "4"})")
                                   << Fields { { "z", "1" }, { "a\"b", "2" }, { "été", "3" }, { "a", "4" } };
    QTest::newRow("braces, brackets and quotes inside strings") << QByteArray(
        R"({ "y" : "}{\"][" , "x":"{json:a[0]}" })") << Fields { { "y", "}{\"][" }, { "x", "{json:a[0]}" } };
    QTest::newRow("values that are no strings")
        << QByteArray("{\n\t\"n\": 5,\r\n\"t\": true, \"f\": -1.5e3, \"o\": null }")
        << Fields { { "n", "5" }, { "t", "true" }, { "f", "-1500" }, { "o", "" } };
    QTest::newRow("empty") << QByteArray("{}") << Fields {};
}

// The fields, headers and query parameters go out in the order the file writes them (a JSON reader sorts
// them by name), as JSON readers take them: a name given twice counts once, with its last value.
void tst_SxcuFile::fieldsKeepTheOrderOfTheFile()
{
    QFETCH(QByteArray, headers);
    QFETCH(Fields, expected);

    const QByteArray before = R"({"RequestURL": "https://up.example/", "FileFormName": "file", )";
    const QByteArray nested = R"("Extra": {"zz": {"Headers": {"q": 1}}, "aa": []}, )";
    for (const QByteArray& field : { QByteArray("Headers"), QByteArray("Arguments"), QByteArray("Parameters") }) {
        const SxcuFile file = SxcuFile::Parse(before + nested + '"' + field + "\": " + headers + "}", "t.sxcu");
        const Fields& read = field == "Headers" ? file.Headers
            : field == "Arguments"              ? file.Arguments
                                                : file.Parameters;
        QCOMPARE(read, expected);
    }

    // Field names match in any case; of two members of one name, readers keep the last.
    const SxcuFile twice = SxcuFile::Parse(
        "\xEF\xBB\xBF" + before + R"("headers": {"old": "0"}, "headers": )" + headers + R"(, "Arguments": {"k": "v"}})",
        "t.sxcu");
    QCOMPARE(twice.Headers, expected);
    QCOMPARE(twice.Arguments, (Fields { { "k", "v" } }));
}
