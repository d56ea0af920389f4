#include "engine/HttpReply.h"

#include <QTest>

class tst_HttpReply : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("statusLine");
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("CR LF lines") << QByteArray("HTTP/1.0 200 OK\r\nLocation: /a\r\nX: 1\r\n\r\n{\"url\":1}\r\n")
                                     << 200 << "200 OK" << QByteArray("/a") << QByteArray("{\"url\":1}\r\n");
        QTest::newRow("bare LF lines, header name in any case")
            << QByteArray("HTTP/1.1 302 Found\nlocation:  http://h/x \n\nbody") << 302 << "302 Found"
            << QByteArray("http://h/x") << QByteArray("body");
        QTest::newRow("no body") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << 204 << "204 No Content"
                                 << QByteArray() << QByteArray();
        QTest::newRow("headers cut short") << QByteArray("HTTP/1.1 500 Internal Server Error\r\nLocation: /x") << 500
                                           << "500 Internal Server Error" << QByteArray("/x") << QByteArray();
        QTest::newRow("interim reply passed over")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nLocation: /n\r\n\r\nnew") << 201
            << "201 Created" << QByteArray("/n") << QByteArray("new");
        QTest::newRow("body cut to Content-Length, a following reply replaces it")
            << QByteArray("HTTP/1.1 303 See Other\r\nContent-Length: 3\r\nLocation: /1\r\n\r\nabcHTTP/1.1 200 OK\r\n"
                          "Content-Length: 4\r\n\r\nlast and more")
            << 200 << "200 OK" << QByteArray() << QByteArray("last");
        QTest::newRow("Content-Length longer than the body keeps what came")
            << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 99\r\n\r\nshort") << 200 << "200 OK" << QByteArray()
            << QByteArray("short");
        QTest::newRow("chunked body joined")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;x=y\r\nhttp\r\n"
                          "A\r\n://h/1.png\r\n0\r\n\r\n")
            << 200 << "200 OK" << QByteArray() << QByteArray("http://h/1.png");
        QTest::newRow("chunk larger than what came")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc") << 200 << "200 OK"
            << QByteArray() << QByteArray("abc");
        QTest::newRow("damaged chunk size keeps the rest")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\nzz\r\nrest") << 200
            << "200 OK" << QByteArray() << QByteArray("abzz\r\nrest");
        QTest::newRow("no status line: all body")
            << QByteArray("http://h/bare\r\n") << 0 << QString() << QByteArray() << QByteArray("http://h/bare\r\n");
        QTest::newRow("nothing received") << QByteArray() << 0 << QString() << QByteArray() << QByteArray();
        QTest::newRow("status line without reason")
            << QByteArray("HTTP/1.0 404\r\n\r\nx") << 404 << "404" << QByteArray() << QByteArray("x");
    }

    void parse()
    {
        QFETCH(QByteArray, received);
        QFETCH(int, status);
        QFETCH(QString, statusLine);
        QFETCH(QByteArray, location);
        QFETCH(QByteArray, body);
        const SxcuReply reply = HttpReply::Parse(received);
        QCOMPARE(reply.statusCode, status);
        QCOMPARE(reply.statusLine, statusLine);
        QCOMPARE(reply.header("LOCATION"), location);
        QCOMPARE(reply.body, body);
        QVERIFY(reply.url.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_HttpReply)
#include "tst_HttpReply.moc"
