#include "EngineRig.h"

#include "engine/SxcuPrompter.h"

#include <QSignalSpy>
#include <QTest>

namespace
{

constexpr int Wait = 30000; // generous: the machines running the tests may be busy

const QByteArray Head = "SERVER:%HOST%\r\nSEND:post.txt\r\n";

class LastChoicePrompter final : public SxcuPrompter
{
public:
    QString select(const QStringList& alternatives) override { return alternatives.last(); }
    QString input(const QString&, const QString&) override { return QStringLiteral("typed"); }
};

} // namespace

// URL:, THURL: and DELURL: lines of a script read the last reply with the custom-uploader value syntax.
class tst_ScriptReplyValues : public QObject
{
    Q_OBJECT

private slots:
    void replyValues_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("imageLink");
        QTest::addColumn<QString>("previewLink");
        QTest::addColumn<QString>("deletionLink");

        const QByteArray json
            = "HTTP/1.0 200 OK\r\nContent-Type: application/json\r\nX-Delete: https://h/d/7\r\n\r\n"
              "{\"data\":{\"url\":\"https:\\/\\/h\\/i\\/7.png\",\"thumb\":{\"url\":\"https://h/t/7.png\"}}}";
        QTest::newRow("JSON paths and a header")
            << Head + "URL:{json:data.url}\r\nTHURL:{json:data.thumb.url}\r\nDELURL:{header:x-delete}\r\nEND:\r\n"
            << json << true << "https://h/i/7.png"
            << "https://h/t/7.png"
            << "https://h/d/7";
        QTest::newRow("empty URL: the whole body trimmed")
            << Head + "URL:\r\nEND:\r\n"
            << QByteArray("HTTP/1.1 201 Created\r\n\r\n  https://h/bare.png\n") << true << "https://h/bare.png"
            << QString() << QString();
        QTest::newRow("literal text, regex group and file name")
            << Head + "URL:https://h/v/{regex:id=(\\w+)|1}/{filename}\r\nEND:\r\n"
            << QByteArray("HTTP/1.0 200 OK\r\n\r\nid=ab12;") << true << "https://h/v/ab12/photo.png" << QString()
            << QString();
        QTest::newRow("a redirect's Location") << Head + "URL:{header:Location}\r\nEND:\r\n"
                                               << QByteArray("HTTP/1.0 302 Found\r\nLocation: http://h/i/9.png\r\n\r\n")
                                               << true << "http://h/i/9.png" << QString() << QString();
        QTest::newRow("the user's choice")
            << Head + "URL:https://{select:a.h|b.h}/1.png\r\nEND:\r\n"
            << QByteArray("HTTP/1.0 200 OK\r\n\r\n{}") << true << "https://b.h/1.png" << QString() << QString();
        QTest::newRow("no link fails as LINK: does")
            << Head + "URL:{json:data.url}\r\nTHURL:{json:data.thumb}\r\nDELURL:{json:x}\r\nEND:\r\n"
            << QByteArray("HTTP/1.0 200 OK\r\n\r\n{\"data\":{\"thumb\":\"no link\"}}") << false << "http://%HOST%/error"
            << QString() << QString();
        QTest::newRow("text without a scheme fails") << Head + "URL:{response}\r\nEND:\r\n"
                                                     << QByteArray("HTTP/1.0 200 OK\r\n\r\nh/i/1.png") << false
                                                     << "http://%HOST%/error" << QString() << QString();
        QTest::newRow("old LINK: and new DELURL: together")
            << Head + "LINK:href=\"http://*\"\r\nDELURL:{regex:del=\"([^\"]+)\"|1}\r\nEND:\r\n"
            << QByteArray("HTTP/1.0 200 OK\r\n\r\n<a href=\"http://%HOST%/i/1.png\" del=\"https://h/del/1\">") << true
            << "http://%HOST%/i/1.png" << QString() << "https://h/del/1";
    }

    void replyValues()
    {
        QFETCH(QByteArray, script);
        QFETCH(QByteArray, reply);
        QFETCH(bool, success);
        QFETCH(QString, imageLink);
        QFETCH(QString, previewLink);
        QFETCH(QString, deletionLink);

        EngineRig rig;
        QVERIFY(rig.serverStarted());
        LastChoicePrompter prompter;
        rig.engine->setPrompter(&prompter);
        rig.writeProfile(script);
        rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
        rig.server.enqueue(ScriptedHttpServer::reply(rig.expand(reply)));

        QVERIFY(rig.start());
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { success }, Wait);
        QVERIFY(rig.isIdle());
        QCOMPARE(rig.engine->ImageLink(), rig.expandText(imageLink));
        QCOMPARE(rig.engine->PreviewLink(), previewLink);
        QCOMPARE(rig.engine->DeletionLink(), deletionLink);
        QCOMPARE(rig.messages.size(), success ? 0 : 1);
    }

    // A new SERVER: starts without the links of the upload before.
    void deletionLinkDoesNotCarryOver()
    {
        EngineRig rig;
        QVERIFY(rig.serverStarted());
        rig.writeProfile(Head + "DELURL:{response}\r\nURL:{response}\r\nEND:\r\n");
        rig.writeData(QStringLiteral("post.txt"), EngineRig::PostTemplate);
        rig.server.enqueue(ScriptedHttpServer::reply("HTTP/1.0 200 OK\r\n\r\nhttps://h/1"));
        QVERIFY(rig.start());
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool> { true }, Wait);
        QCOMPARE(rig.engine->DeletionLink(), QStringLiteral("https://h/1"));

        rig.writeProfile(Head + "LINK:href=\"http://*\"\r\nEND:\r\n");
        rig.server.enqueue(ScriptedHttpServer::reply(rig.expand("HTTP/1.0 200 OK\r\n\r\n" + EngineRig::LinkPage)));
        QVERIFY(rig.start());
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished, QList<bool>({ true, true }), Wait);
        QVERIFY(rig.engine->DeletionLink().isEmpty());
    }
};

QTEST_MAIN(tst_ScriptReplyValues)
#include "tst_ScriptReplyValues.moc"
