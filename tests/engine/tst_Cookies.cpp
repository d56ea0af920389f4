#include "engine/Cookies.h"
#include "support/TempProgramFolder.h"

#include <QTest>

class tst_Cookies : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void captureKeepsTheCookieForLookUp();
    void captureWithoutSetCookieWritesNothing();
    void lookUpCutsLongValues();
};

void tst_Cookies::parse_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("key");

    const QByteArray status = "HTTP/1.0 200 OK\r\n";
    QTest::newRow("expires, path and domain")
        << status + "Set-Cookie: uid=42; expires=Thu, 01-Jan-2037 00:00:00 GMT; path=/; domain=img.example\r\n\r\n"
        << true << QByteArray("uid=42") << QByteArray("img.example");
    QTest::newRow("a dot before the domain stays in the key")
        << status + "Set-Cookie: uid=42; expires=Thu, 01-Jan-2037 00:00:00 GMT; domain=.img.example\r\n\r\n"
        << true << QByteArray("uid=42") << QByteArray(".img.example");
    // The attributes behind the domain would stay in the key, but their "=" would end it early when read back.
    QTest::newRow("attributes behind the domain: key refused")
        << status + "Set-Cookie: uid=42; expires=x; domain=img.example; path=/\r\n\r\n"
        << true << QByteArray("uid=42") << QByteArray();
    QTest::newRow("without expires the cookie ends with its line")
        << status
            + "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2; expires=Thu, 01-Jan-2037 00:00:00 GMT; domain=h\r\n\r\n"
        << true << QByteArray("a=1; path=/") << QByteArray("127.0.0.1:8080");
    QTest::newRow("lines ended by LF alone") << QByteArray("HTTP/1.0 200 OK\nSet-Cookie: uid=7; path=/; domain=h\nX")
                                             << true << QByteArray("uid=7; path=/; domain=h") << QByteArray("h");
    QTest::newRow("domain= on another line is not the cookie's")
        << status + "Set-Cookie: uid=7; path=/\r\n\r\n<a href=\"?domain=[evil]\">" << true
        << QByteArray("uid=7; path=/") << QByteArray("127.0.0.1:8080");
    const QByteArray cookie = "Set-Cookie: uid=7; expires=x; domain=";
    QTest::newRow("key that reads back as a section is refused") << status + cookie + "[Main]\r\n"
                                                                 << true << QByteArray("uid=7") << QByteArray();
    QTest::newRow("key that reads back as a comment is refused") << status + cookie + ";h\r\n"
                                                                 << true << QByteArray("uid=7") << QByteArray();
    QTest::newRow("key with = is refused") << status + cookie + "a=b\r\n"
                                           << true << QByteArray("uid=7") << QByteArray();
    QTest::newRow("key with a NUL byte is refused")
        << status + cookie + QByteArray("h\0x\r\n", 5) << true << QByteArray("uid=7") << QByteArray();
    // The settings file reads keys back trimmed.
    QTest::newRow("key with a blank at its end is refused") << status + cookie + "img.example; \r\n"
                                                            << true << QByteArray("uid=7") << QByteArray();
    QTest::newRow("blank key is refused") << status + cookie + "  \r\n" << true << QByteArray("uid=7") << QByteArray();
    QTest::newRow("no domain: kept under the server host")
        << status + "Set-Cookie: uid=42; expires=x\r\n\r\n"
        << true << QByteArray("uid=42") << QByteArray("127.0.0.1:8080");
    QTest::newRow("empty domain: kept under the server host")
        << status + "Set-Cookie: uid=42; expires=x; domain=\r\n\r\n"
        << true << QByteArray("uid=42") << QByteArray("127.0.0.1:8080");
    QTest::newRow("domain at the very end")
        << status + "Set-Cookie: uid=42; expires=x; domain=h" << true << QByteArray("uid=42") << QByteArray("h");
    QTest::newRow("no Set-Cookie") << status + "Content-Type: text/html\r\n\r\ndomain=h" << false << QByteArray()
                                   << QByteArray();
}

void tst_Cookies::parse()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, found);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, key);

    const std::optional<Cookies::CapturedCookie> cookie = Cookies::ParseSetCookie(reply, "127.0.0.1:8080");
    QCOMPARE(cookie.has_value(), found);
    if (cookie) {
        QCOMPARE(cookie->text, text);
        QCOMPARE(cookie->key, key);
    }
}

void tst_Cookies::captureKeepsTheCookieForLookUp()
{
    TempProgramFolder folder;
    const QByteArray reply = "HTTP/1.0 200 OK\r\nSet-Cookie: uid=42; expires=Thu, 01-Jan-2037 00:00:00 GMT; "
                             "path=/; domain=img.example\r\n\r\n";
    QCOMPARE(Cookies::CaptureCookies(folder.path(), reply, "img.example"), std::optional<QString>(u"uid=42"_qs));
    QCOMPARE(folder.readFile(QStringLiteral("cookies.ini")), QByteArray("[Main]\r\nimg.example=uid=42\r\n"));
    QCOMPARE(Cookies::LookUp(folder.path(), "img.example"), QStringLiteral("uid=42"));
    QCOMPARE(Cookies::LookUp(folder.path(), "other.example"), QString());

    // A second domain adds its own key; the first stays.
    Cookies::CaptureCookies(folder.path(), "Set-Cookie: s=1; expires=x; domain=.other.example\r\n", "other.example");
    QCOMPARE(Cookies::LookUp(folder.path(), "img.example"), QStringLiteral("uid=42"));
    QCOMPARE(Cookies::LookUp(folder.path(), ".other.example"), QStringLiteral("s=1"));
    QCOMPARE(Cookies::LookUp(folder.path(), "other.example"), QString());
}

void tst_Cookies::captureWithoutSetCookieWritesNothing()
{
    TempProgramFolder folder;
    QVERIFY(!Cookies::CaptureCookies(folder.path(), "HTTP/1.0 200 OK\r\n\r\nbody", "img.example"));
    QVERIFY(!QFile::exists(Cookies::CookiesPath(folder.path())));
    // A refused key keeps the cookie for the upload but writes nothing.
    QCOMPARE(Cookies::CaptureCookies(folder.path(), "Set-Cookie: uid=7; expires=x; domain=[Main]\r\n", "img.example"),
        std::optional<QString>(u"uid=7"_qs));
    QVERIFY(!QFile::exists(Cookies::CookiesPath(folder.path())));
}

void tst_Cookies::lookUpCutsLongValues()
{
    TempProgramFolder folder;
    const QByteArray value(300, 'v');
    Cookies::CaptureCookies(folder.path(), "Set-Cookie: " + value + "\r\n", "img.example");
    QCOMPARE(Cookies::LookUp(folder.path(), "img.example"), QString(254, u'v'));
}

QTEST_GUILESS_MAIN(tst_Cookies)
#include "tst_Cookies.moc"
