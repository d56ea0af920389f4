#include "engine/Data.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

class tst_Data : public QObject
{
    Q_OBJECT

private slots:
    void extractBetween_data();
    void extractBetween();
    void replaceFirst_data();
    void replaceFirst();
    void getRequest();
    void fileType_data();
    void fileType();
    void postRequest_data();
    void postRequest();
    void postRequestLengthCountsEveryImageByte();
    void postRequestUnreadableFile_data();
    void postRequestUnreadableFile();
    void pictureChangedWhileStreamed_data();
    void pictureChangedWhileStreamed();
};

void tst_Data::extractBetween_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("text between the two parts")
        << QByteArray("<a>*</a>") << QByteArray("x<a>link</a>y") << QByteArray("link");
    QTest::newRow("opening twice: behind the first, up to the first closing after it")
        << QByteArray("[*]") << QByteArray("a[1]b[2]") << QByteArray("1");
    QTest::newRow("closing only ahead of the opening")
        << QByteArray("<b>*</b>") << QByteArray("</b>x<b>y") << QByteArray("error");
    QTest::newRow("opening missing") << QByteArray("<a>*</a>") << QByteArray("link</a>") << QByteArray("error");
    QTest::newRow("closing missing") << QByteArray("<a>*</a>") << QByteArray("<a>link") << QByteArray("error");
    QTest::newRow("empty opening takes the text from its start")
        << QByteArray("*</a>") << QByteArray("abc</a>d") << QByteArray("abc");
    QTest::newRow("empty closing gives empty text") << QByteArray("<a>*") << QByteArray("x<a>y") << QByteArray();
    QTest::newRow("empty closing, opening missing") << QByteArray("<a>*") << QByteArray("xy") << QByteArray("error");
    QTest::newRow("further stars are ordinary characters")
        << QByteArray("a*b*c") << QByteArray("a1b*c") << QByteArray("1");
    QTest::newRow("pattern without star") << QByteArray("link") << QByteArray("link") << QByteArray("error");
    QTest::newRow("case-sensitive") << QByteArray("<A>*</A>") << QByteArray("<a>x</a>") << QByteArray("error");
    QTest::newRow("line breaks match as they are") << QByteArray("a\n*\n") << QByteArray("a\nX\nb") << QByteArray("X");
    QTest::newRow("zero bytes are ordinary characters")
        << QByteArray("[*]") << QByteArray("[a\0b]", 5) << QByteArray("a\0b", 3);
}

void tst_Data::extractBetween()
{
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(Data::ExtractBetween(pattern, text), expected);
}

void tst_Data::replaceFirst_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("find");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("only the first occurrence")
        << QByteArray("a{X}b{X}") << QByteArray("{X}") << QByteArray("1") << QByteArray("a1b{X}");
    QTest::newRow("not found leaves the text")
        << QByteArray("abc") << QByteArray("{X}") << QByteArray("1") << QByteArray("abc");
    QTest::newRow("at the start") << QByteArray("{X}b") << QByteArray("{X}") << QByteArray("12") << QByteArray("12b");
    QTest::newRow("at the end") << QByteArray("a{X}") << QByteArray("{X}") << QByteArray("12") << QByteArray("a12");
    QTest::newRow("empty replacement") << QByteArray("a{X}b") << QByteArray("{X}") << QByteArray() << QByteArray("ab");
    QTest::newRow("case-sensitive") << QByteArray("a{x}b") << QByteArray("{X}") << QByteArray("1")
                                    << QByteArray("a{x}b");
}

void tst_Data::replaceFirst()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, find);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, expected);
    QCOMPARE(Data::ReplaceFirst(text, find, replacement), expected);
}

void tst_Data::getRequest()
{
    QCOMPARE(Data::BuildGetRequest("img.example:8080", "/upload.php?x=1&y=a b"),
        QByteArray("GET /upload.php?x=1&y=a b HTTP/1.0\r\n"
                   "Accept: */*\r\n"
                   "Referer: http://img.example:8080\r\n"
                   "Accept-Language: ru\r\n"
                   "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                   "Host: img.example:8080\r\n"
                   "Connection: Close\r\n"
                   "\r\n"));

    // Through a proxy: the absolute address, the proxy header and the credentials below it.
    const QByteArray head = "GET http://img.example:8080/a?b HTTP/1.0\r\n"
                            "Accept: */*\r\n"
                            "Referer: http://img.example:8080\r\n"
                            "Accept-Language: ru\r\n"
                            "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                            "Host: img.example:8080\r\n"
                            "Proxy-Connection: Close\r\n";
    Data::ProxyRoute route { true, false, QStringLiteral("user"), QStringLiteral("pass") };
    QCOMPARE(Data::BuildGetRequest("img.example:8080", "/a?b", route, false), head + "\r\n");
    route.proxyAuth = true;
    QCOMPARE(Data::BuildGetRequest("img.example:8080", "/a?b", route, false),
        head + "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
    // A request through a proxy is plain HTTP to it whatever the profile's scheme: https goes through a tunnel.
    QCOMPARE(Data::BuildGetRequest("img.example:8080", "/a?b", route, true),
        Data::BuildGetRequest("img.example:8080", "/a?b", route, false));
    route.viaProxy = false;
    QCOMPARE(Data::BuildGetRequest("img.example:8080", "/a?b", route, false),
        Data::BuildGetRequest("img.example:8080", "/a?b"));

    // On a TLS connection the Referer names the https site; every other byte stays.
    QCOMPARE(Data::BuildGetRequest("img.example:8080", "/a?b", route, true),
        QByteArray("GET /a?b HTTP/1.0\r\n"
                   "Accept: */*\r\n"
                   "Referer: https://img.example:8080\r\n"
                   "Accept-Language: ru\r\n"
                   "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                   "Host: img.example:8080\r\n"
                   "Connection: Close\r\n"
                   "\r\n"));
}

void tst_Data::fileType_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("jpg") << QStringLiteral("/p/a.jpg") << QByteArray("image/jpeg");
    QTest::newRow("gif") << QStringLiteral("/p/a.gif") << QByteArray("image/gif");
    QTest::newRow("png") << QStringLiteral("/p/a.png") << QByteArray("image/png");
    QTest::newRow("upper-case JPG") << QStringLiteral("/p/a.JPG") << QByteArray();
    QTest::newRow("jpeg ends in peg") << QStringLiteral("/p/a.jpeg") << QByteArray();
    QTest::newRow("last three characters only") << QStringLiteral("/p/apng") << QByteArray("image/png");
    QTest::newRow("bmp") << QStringLiteral("/p/a.bmp") << QByteArray();
}

void tst_Data::fileType()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, expected);
    QCOMPARE(Data::FileTypeFor(path), expected);
}

namespace
{

// The template of most rows: the file name in a header, the type and the image in the body.
const QByteArray MultipartTemplate
    = "POST /up HTTP/1.0\r\nX-File: {FILENAME}\r\nContent-Length: {LEN}\r\n"
      "Connection: Close\r\n\r\n--b\r\nContent-Type: {FILETYPE}\r\n\r\n{IMGDATA}\r\n--b--";

// Everything the source delivers, taken at most pieceBytes at a time, as a connection takes it.
QByteArray drain(RequestSource& source, qint64 pieceBytes)
{
    QByteArray all;
    for (QByteArray piece = source.read(pieceBytes); !piece.isEmpty(); piece = source.read(pieceBytes)) {
        if (piece.size() > pieceBytes)
            return "piece too large";
        all.append(piece);
    }
    return all;
}

QByteArray multipartRequest(const QByteArray& length, const QByteArray& type, const QByteArray& image)
{
    return "POST /up HTTP/1.0\r\nX-File: <path>\r\nContent-Length: " + length
        + "\r\nConnection: Close\r\n\r\n--b\r\nContent-Type: " + type + "\r\n\r\n" + image + "\r\n--b--";
}

const QByteArray ProxyTemplate
    = "POST /up HTTP/1.0\r\nHost: img.example\r\nContent-Length: {LEN}\r\nConnection: Close\r\n\r\n{IMGDATA}";

} // namespace

void tst_Data::postRequest_data()
{
    QTest::addColumn<QByteArray>("templateText");
    QTest::addColumn<QString>("imageName");
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<bool>("useProxy");
    QTest::addColumn<bool>("proxyAuth");
    QTest::addColumn<QByteArray>("expected"); // "<path>" stands for the image path

    const QByteArray sevenBytes = "PNGDATA";
    QTest::newRow("png: the length counts the 9-character type")
        << MultipartTemplate << "picture.png" << sevenBytes << false << false
        << multipartRequest("46", "image/png", sevenBytes);
    QTest::newRow("gif") << MultipartTemplate << "picture.gif" << QByteArray("GIF89a") << false << false
                         << multipartRequest("45", "image/gif", "GIF89a");
    QTest::newRow("jpg") << MultipartTemplate << "picture.jpg" << QByteArray("\xff\xd8\xff") << false << false
                         << multipartRequest("43", "image/jpeg", "\xff\xd8\xff");
    QTest::newRow("upper-case JPG keeps the type placeholder")
        << MultipartTemplate << "picture.JPG" << QByteArray("\xff\xd8") << false << false
        << multipartRequest("42", "{FILETYPE}", "\xff\xd8");
    QTest::newRow("jpeg keeps the type placeholder")
        << MultipartTemplate << "picture.jpeg" << QByteArray("\xff\xd8") << false << false
        << multipartRequest("42", "{FILETYPE}", "\xff\xd8");
    const QByteArray zeros(4, '\0');
    QTest::newRow("zero bytes count once each")
        << MultipartTemplate << "picture.png" << zeros << false << false << multipartRequest("43", "image/png", zeros);
    const QByteArray spelling = "{LEN}{COOKIES}{FILETYPE}{FILENAME}{IMGDATA}";
    QTest::newRow("image bytes that spell placeholders stay as they are")
        << MultipartTemplate << "picture.png" << spelling << false << false
        << multipartRequest("82", "image/png", spelling);

    QTest::newRow("only the first cookie placeholder")
        << QByteArray("POST /up HTTP/1.0\r\nCookie: {COOKIES}\r\nX-Again: {COOKIES}\r\nContent-Length: {LEN}\r\n\r\n"
                      "{IMGDATA}")
        << "x.png" << QByteArray("AB") << false << false
        << QByteArray("POST /up HTTP/1.0\r\nCookie: uid=42\r\nX-Again: {COOKIES}\r\nContent-Length: 2\r\n\r\nAB");
    QTest::newRow("a placeholder behind the image data is the template's own")
        << QByteArray("POST /up HTTP/1.0\r\nContent-Length: {LEN}\r\n\r\n{IMGDATA}|{COOKIES}") << "x.png"
        << QByteArray("{COOKIES}") << false << false
        << QByteArray("POST /up HTTP/1.0\r\nContent-Length: 16\r\n\r\n{COOKIES}|uid=42");
    QTest::newRow("the file name is inserted as it is")
        << QByteArray("POST /up HTTP/1.0\r\nX-File: {FILENAME}\r\nContent-Length: {LEN}\r\n\r\n{IMGDATA}")
        << "a{LEN}.png" << QByteArray("AB") << false << false
        << QByteArray("POST /up HTTP/1.0\r\nX-File: <path>\r\nContent-Length: 2\r\n\r\nAB");
    QTest::newRow("a template without an empty line has length 0")
        << QByteArray("POST /up HTTP/1.0\r\nContent-Length: {LEN}\r\n{IMGDATA}") << "x.png" << QByteArray("ABC")
        << false << false << QByteArray("POST /up HTTP/1.0\r\nContent-Length: 0\r\nABC");
    QTest::newRow("an empty line inside the image is not the end of the headers")
        << QByteArray("POST /up HTTP/1.0\r\nContent-Length: {LEN}\r\n{IMGDATA}") << "x.png" << QByteArray("A\r\n\r\nB")
        << false << false << QByteArray("POST /up HTTP/1.0\r\nContent-Length: 0\r\nA\r\n\r\nB");

    QTest::newRow("proxy: absolute request line and Proxy-Connection")
        << ProxyTemplate << "x.png" << QByteArray("AB") << true << false
        << QByteArray("POST http://img.example/up HTTP/1.0\r\nHost: img.example\r\nContent-Length: 2\r\n"
                      "Proxy-Connection: Close\r\n\r\nAB");
    QTest::newRow("proxy authorization right below Proxy-Connection")
        << ProxyTemplate << "x.png" << QByteArray("AB") << true << true
        << QByteArray("POST http://img.example/up HTTP/1.0\r\nHost: img.example\r\nContent-Length: 2\r\n"
                      "Proxy-Connection: Close\r\nProxy-Authorization: Basic dXNlcjpwYXNz\r\n\r\nAB");
    QTest::newRow("proxy without Connection: Close gets no proxy headers")
        << QByteArray("POST /up HTTP/1.0\r\nContent-Length: {LEN}\r\n\r\n{IMGDATA}") << "x.png" << QByteArray("AB")
        << true << true << QByteArray("POST http://img.example/up HTTP/1.0\r\nContent-Length: 2\r\n\r\nAB");
    QTest::newRow("proxy rewriting leaves the body alone")
        << QByteArray("POST /up HTTP/1.0\r\nContent-Length: {LEN}\r\n\r\nPOST Connection: Close {IMGDATA}") << "x.png"
        << QByteArray("Connection: Close") << true << true
        << QByteArray("POST http://img.example/up HTTP/1.0\r\nContent-Length: 40\r\n\r\n"
                      "POST Connection: Close Connection: Close");

    QTest::newRow("no image placeholder: the body is the template's own")
        << QByteArray("POST /up HTTP/1.0\r\nContent-Length: {LEN}\r\n\r\nname=x") << "x.png" << QByteArray("AB")
        << false << false << QByteArray("POST /up HTTP/1.0\r\nContent-Length: 6\r\n\r\nname=x");
    QTest::newRow("the length placeholder behind the image counts itself")
        << QByteArray("POST /up HTTP/1.0\r\n\r\n{IMGDATA}|{LEN}") << "x.png" << QByteArray("AB") << false << false
        << QByteArray("POST /up HTTP/1.0\r\n\r\nAB|8");
    QTest::newRow("the image in the header is not part of the body")
        << QByteArray("POST /up HTTP/1.0\r\nX-Data: {IMGDATA}\r\nContent-Length: {LEN}\r\n\r\n{LEN}") << "x.png"
        << QByteArray("AB\r\n\r\nCD") << false << false
        << QByteArray("POST /up HTTP/1.0\r\nX-Data: AB\r\n\r\nCD\r\nContent-Length: 5\r\n\r\n{LEN}");
    QTest::newRow("an empty image at the very end")
        << QByteArray("POST /up HTTP/1.0\r\nContent-Length: {LEN}\r\n\r\n{IMGDATA}") << "x.png" << QByteArray() << false
        << false << QByteArray("POST /up HTTP/1.0\r\nContent-Length: 0\r\n\r\n");
}

void tst_Data::postRequest()
{
    QFETCH(QByteArray, templateText);
    QFETCH(QString, imageName);
    QFETCH(QByteArray, image);
    QFETCH(bool, useProxy);
    QFETCH(bool, proxyAuth);
    QFETCH(QByteArray, expected);

    TempProgramFolder folder;
    folder.writeFile(QStringLiteral("data/template.txt"), templateText);
    folder.writeFile(QStringLiteral("images/") + imageName, image);

    Data::PostRequestInput input;
    input.templatePath = folder.filePath(QStringLiteral("data/template.txt"));
    input.imagePath = folder.filePath(QStringLiteral("images/") + imageName);
    input.serverCookies = QStringLiteral("uid=42");
    input.serverHost = "img.example";
    input.useProxy = useProxy;
    input.proxyAuth = proxyAuth;
    input.proxyUser = QStringLiteral("user");
    input.proxyPassword = QStringLiteral("pass");

    const Data::PostRequest request = Data::BuildPostRequest(input);
    QVERIFY(request.ok());
    expected.replace("<path>", input.imagePath.toLocal8Bit());
    QCOMPARE(request.bytes, expected);

    // Streamed in small pieces, the request is the same.
    const Data::StreamedPostRequest streamed = Data::OpenPostRequest(input);
    QVERIFY(streamed.ok());
    QCOMPARE(streamed.source->size(), expected.size());
    QCOMPARE(drain(*streamed.source, 3), expected);
    QVERIFY(streamed.source->failure().isEmpty());
}

void tst_Data::postRequestLengthCountsEveryImageByte()
{
    QByteArray image;
    for (int i = 0; i < 300000; ++i)
        image.append(static_cast<char>(i * 7 % 256));
    TempProgramFolder folder;
    folder.writeFile(QStringLiteral("data/template.txt"),
        "POST /up HTTP/1.0\r\nContent-Length: {LEN}\r\nConnection: Close\r\n\r\n{IMGDATA}\r\n--end--");
    folder.writeFile(QStringLiteral("image.gif"), image);

    Data::PostRequestInput input;
    input.templatePath = folder.filePath(QStringLiteral("data/template.txt"));
    input.imagePath = folder.filePath(QStringLiteral("image.gif"));
    const Data::PostRequest request = Data::BuildPostRequest(input);
    QVERIFY(request.ok());

    const qsizetype headerEnd = request.bytes.indexOf("\r\n\r\n");
    const QByteArray body = request.bytes.mid(headerEnd + 4);
    QCOMPARE(body, image + "\r\n--end--");
    QCOMPARE(Data::ExtractBetween("Content-Length: *\r\n", request.bytes), QByteArray::number(body.size()));
}

void tst_Data::postRequestUnreadableFile_data()
{
    QTest::addColumn<bool>("templateExists");
    QTest::addColumn<QString>("imageName");
    QTest::addColumn<QString>("unreadable"); // "template" or "image"

    QTest::newRow("template missing") << false << "image.png"
                                      << "template";
    QTest::newRow("image missing") << true << "missing.png"
                                   << "image";
    QTest::newRow("image is a folder") << true << "folder.png"
                                       << "image";
    QTest::newRow("no image path") << true << QString() << "image";
}

void tst_Data::postRequestUnreadableFile()
{
    QFETCH(bool, templateExists);
    QFETCH(QString, imageName);
    QFETCH(QString, unreadable);

    TempProgramFolder folder;
    if (templateExists)
        folder.writeFile(QStringLiteral("data/template.txt"), "POST / HTTP/1.0\r\n\r\n{IMGDATA}");
    folder.writeFile(QStringLiteral("image.png"), "PNG");
    folder.writeFile(QStringLiteral("folder.png/inside"), "x");

    Data::PostRequestInput input;
    input.templatePath = folder.filePath(QStringLiteral("data/template.txt"));
    input.imagePath = imageName.isEmpty() ? QString() : folder.filePath(imageName);
    const Data::PostRequest request = Data::BuildPostRequest(input);
    QVERIFY(!request.ok());
    QVERIFY(request.bytes.isEmpty());
    QCOMPARE(request.unreadableFile, unreadable == QLatin1String("template") ? input.templatePath : input.imagePath);
}

void tst_Data::pictureChangedWhileStreamed_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("status");

    QTest::newRow("grows") << "append"
                           << " изменил размер во время закачки. Закачка прервана";
    QTest::newRow("shrinks") << "truncate"
                             << " изменил размер во время закачки. Закачка прервана";
    QTest::newRow("removed") << "remove"
                             << " пропал во время закачки. Закачка прервана";
}

// The length in the header was counted from the file as it was at the start: a file that is no longer so
// ends the request short of its end, with a reason, and never delivers its last piece.
void tst_Data::pictureChangedWhileStreamed()
{
    QFETCH(QString, change);
    QFETCH(QString, status);

    const QByteArray picture(300 * 1024, 'p');
    TempProgramFolder folder;
    folder.writeFile(
        QStringLiteral("data/template.txt"), "POST /up HTTP/1.0\r\nContent-Length: {LEN}\r\n\r\n{IMGDATA}");
    folder.writeFile(QStringLiteral("picture.png"), picture);
    Data::PostRequestInput input;
    input.templatePath = folder.filePath(QStringLiteral("data/template.txt"));
    input.imagePath = folder.filePath(QStringLiteral("picture.png"));
    const Data::StreamedPostRequest streamed = Data::OpenPostRequest(input);
    QVERIFY(streamed.ok());
    const QByteArray expected = "POST /up HTTP/1.0\r\nContent-Length: 307200\r\n\r\n" + picture;
    QCOMPARE(streamed.source->size(), expected.size());

    QByteArray delivered = streamed.source->read(64 * 1024);
    delivered += streamed.source->read(64 * 1024);
    QFile file(input.imagePath);
    if (change == QLatin1String("append")) {
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.write("more") == 4);
        file.close();
    } else if (change == QLatin1String("truncate")) {
        QVERIFY(file.resize(100 * 1024));
    } else {
        QVERIFY(file.remove());
    }
    delivered += drain(*streamed.source, 64 * 1024);

    QVERIFY(delivered.size() < expected.size());
    QVERIFY(expected.startsWith(delivered));
    QCOMPARE(streamed.source->failure(), QStringLiteral("Файл ") + QDir::toNativeSeparators(input.imagePath) + status);
    QVERIFY(streamed.source->read(64 * 1024).isEmpty());
}

QTEST_GUILESS_MAIN(tst_Data)
#include "tst_Data.moc"
