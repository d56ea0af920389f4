#include "settings/Signature_module.h"

#include "support/TempProgramFolder.h"

#include <QtTest>

#include <functional>

using Signature_module::CredentialBytes;

namespace
{

const QString ProxyDat = QStringLiteral("proxy.dat");

// File positions (from 1) of the payload: every 49th, starting at 147.
qsizetype payloadPosition(qsizetype index)
{
    return 49 * (index + 3);
}

QList<QByteArray> linesOf(const QByteArray& content)
{
    QList<QByteArray> lines = content.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

} // namespace

class TestSignatureModule final : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void layout();
    void sameCredentialsSamePayload();
    void roundTripEveryByte_data();
    void roundTripEveryByte();
    void roundTripText_data();
    void roundTripText();
    void notSaved_data();
    void notSaved();
    void damaged_data();
    void damaged();
    void credentialsProblem_data();
    void credentialsProblem();
    void base64_data();
    void base64();

private:
    QByteArray saved(const QByteArray& user, const QByteArray& password);

    std::unique_ptr<TempProgramFolder> m_folder;
};

void TestSignatureModule::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
}

QByteArray TestSignatureModule::saved(const QByteArray& user, const QByteArray& password)
{
    Signature_module::SaveProxyCredentialBytes(m_folder->path(), user, password);
    return m_folder->readFile(ProxyDat);
}

void TestSignatureModule::layout()
{
    const QByteArray user = "abc";
    const QByteArray password = "12345";
    const QByteArray content = saved(user, password);

    QVERIFY(content.endsWith("{End file}\r\n"));
    const QList<QByteArray> lines = linesOf(content.chopped(2));
    QCOMPARE(lines.size(), 11);
    QCOMPARE(lines[0], QByteArray(";[Encrypting Key File]"));
    QCOMPARE(lines[1], QByteArray(";[Do not edit!]"));
    QCOMPARE(lines[2], QByteArray());
    QCOMPARE(lines[3], QByteArray("{Signature bytes total:=5120}"));
    QCOMPARE(lines[4], QByteArray("{Signature code value}"));
    QCOMPARE(lines[5].size(), 5120);
    QCOMPARE(lines[6], QByteArray("{End signature}"));
    QCOMPARE(lines[7], QByteArray());
    QCOMPARE(lines[8], QByteArray("{Control code value}"));
    QCOMPARE(lines[9], QByteArray("3075-5125"));
    QCOMPARE(lines[10], QByteArray("{End file}"));
    QCOMPARE(content.indexOf(lines[5]), 98);

    // The payload, user name reversed and then password reversed, at every 49th position.
    const QByteArray payload = "cba54321";
    QSet<qsizetype> payloadPositions;
    for (qsizetype i = 0; i < payload.size(); ++i) {
        payloadPositions.insert(payloadPosition(i));
        QCOMPARE(content[payloadPosition(i) - 1], payload[i]);
    }
    for (qsizetype k = 99; k <= 98 + 5120; ++k) {
        if (payloadPositions.contains(k))
            continue;
        const auto code = static_cast<unsigned char>(content[k - 1]);
        QVERIFY2(code >= 50 && code <= 199, qPrintable(QStringLiteral("filler %1 at %2").arg(code).arg(k)));
    }

    const QFileDevice::Permissions permissions = QFile(m_folder->filePath(ProxyDat)).permissions();
    QCOMPARE(permissions
            & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
                | QFileDevice::ExeGroup | QFileDevice::ExeOther | QFileDevice::ExeOwner),
        QFileDevice::Permissions());
    QVERIFY(permissions.testFlag(QFileDevice::ReadOwner));
    QVERIFY(permissions.testFlag(QFileDevice::WriteOwner));
}

void TestSignatureModule::sameCredentialsSamePayload()
{
    const QByteArray user(31, 'u');
    const QByteArray password = "pw";
    const QByteArray first = saved(user, password);
    const QByteArray second = saved(user, password);
    QCOMPARE(first.size(), second.size());
    QCOMPARE(linesOf(first)[9], QByteArray("31747-2053"));
    QCOMPARE(linesOf(second)[9], linesOf(first)[9]);
    for (qsizetype i = 0; i < user.size() + password.size(); ++i)
        QCOMPARE(second[payloadPosition(i) - 1], first[payloadPosition(i) - 1]);
}

void TestSignatureModule::roundTripEveryByte_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");

    for (int code = 0; code < 256; ++code) {
        if (code == '\t')
            continue;
        const char c = static_cast<char>(code);
        QTest::addRow("byte %d", code) << (QByteArray("u") + c + "x" + c) << (QByteArray(1, c) + "p" + c);
    }
    QByteArray mixedUser;
    QByteArray mixedPassword;
    for (int i = 0; i < 31; ++i) {
        mixedUser += static_cast<char>(255 - i);
        mixedPassword += static_cast<char>(10 + i * 7);
    }
    QTest::newRow("31 bytes each") << mixedUser << mixedPassword;
    QTest::newRow("single bytes") << QByteArray("u") << QByteArray("p");
    QTest::newRow("line ends and braces") << QByteArray("\r\n{End file}") << QByteArray("{Control code value}\r\n");
}

void TestSignatureModule::roundTripEveryByte()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);

    saved(user, password);
    const std::optional<CredentialBytes> loaded = Signature_module::LoadProxyCredentialBytes(m_folder->path());
    QVERIFY(loaded);
    QCOMPARE(loaded->user, user);
    QCOMPARE(loaded->password, password);
}

void TestSignatureModule::roundTripText_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    QTest::newRow("ASCII") << "proxyuser"
                           << "s3cr3t!";
    QTest::newRow("Cyrillic") << "пользователь"
                              << "пароль";
    QTest::newRow("punctuation and blanks") << " a:b@c "
                                            << "\"quoted\" ;=[]";
    QTest::newRow("Cyrillic at the byte limit") << QString(15, u'ж') + u'a' << QString(31, u'x');
}

void TestSignatureModule::roundTripText()
{
    QFETCH(QString, user);
    QFETCH(QString, password);

    Signature_module::SaveProxyCredentials(m_folder->path(), user, password);
    QCOMPARE(Signature_module::LoadProxyCredentials(m_folder->path()), user + u'\t' + password);
}

void TestSignatureModule::notSaved_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    QTest::newRow("empty user") << ""
                                << "secret";
    QTest::newRow("empty password") << "user"
                                    << "";
    QTest::newRow("user of 32 bytes") << QString(32, u'u') << "secret";
    QTest::newRow("password of 32 bytes") << "user" << QString(32, u'p');
    QTest::newRow("16 Cyrillic letters are 32 bytes") << QString(16, u'ж') << "secret";
}

void TestSignatureModule::notSaved()
{
    QFETCH(QString, user);
    QFETCH(QString, password);

    Signature_module::SaveProxyCredentials(m_folder->path(), user, password);
    QVERIFY(!QFileInfo::exists(m_folder->filePath(ProxyDat)));

    // An earlier file stays as it was.
    Signature_module::SaveProxyCredentials(m_folder->path(), QStringLiteral("old"), QStringLiteral("pass"));
    const QByteArray before = m_folder->readFile(ProxyDat);
    Signature_module::SaveProxyCredentials(m_folder->path(), user, password);
    QCOMPARE(m_folder->readFile(ProxyDat), before);
    QCOMPARE(Signature_module::LoadProxyCredentials(m_folder->path()), QStringLiteral("old\tpass"));
}

void TestSignatureModule::damaged_data()
{
    using Change = std::function<QByteArray(QByteArray)>;
    QTest::addColumn<Change>("change");

    const auto replace = [](const char* from, const char* to) {
        return Change([from, to](QByteArray content) { return content.replace(from, to); });
    };

    QTest::newRow("missing file") << Change();
    QTest::newRow("empty file") << Change([](QByteArray) { return QByteArray(); });
    QTest::newRow("cut inside the block") << Change([](QByteArray content) { return content.left(3000); });
    QTest::newRow("cut before the end marker") << Change([](QByteArray content) { return content.chopped(12); });
    QTest::newRow("block one byte short") << Change([](QByteArray content) { return content.remove(500, 1); });
    QTest::newRow("block one byte long") << Change([](QByteArray content) { return content.insert(500, 'x'); });
    QTest::newRow("header changed") << replace(";[Do not edit!]", ";[Edit me]");
    QTest::newRow("bare LF line ends") << Change([](QByteArray content) { return content.replace("\r\n", "\n"); });
    QTest::newRow("no control marker") << replace("{Control code value}", "{Control}");
    QTest::newRow("no end marker") << replace("{End file}", "");
    QTest::newRow("no end signature marker") << replace("{End signature}", "");
    QTest::newRow("control line empty") << replace("3075-5125", "");
    QTest::newRow("control line without dash") << replace("3075-5125", "30755125");
    QTest::newRow("control line not a number") << replace("3075-5125", "abc-def");
    QTest::newRow("control line with blanks") << replace("3075-5125", "3075 - 5125");
    QTest::newRow("control line negative") << replace("3075-5125", "-1021-5125");
    QTest::newRow("length not whole") << replace("3075-5125", "3076-5125");
    QTest::newRow("user length zero") << replace("3075-5125", "3-5125");
    QTest::newRow("password length zero") << replace("3075-5125", "3075-5");
    QTest::newRow("user length 32") << replace("3075-5125", "32771-5125");
    QTest::newRow("lengths running past the file") << replace("3075-5125", "1048579-1048581");
    QTest::newRow("huge numbers") << replace("3075-5125", "99999999999999999999-5125");
    QTest::newRow("text after the end marker") << Change([](QByteArray content) { return content + "{End file}\r\n"; });
}

void TestSignatureModule::damaged()
{
    using Change = std::function<QByteArray(QByteArray)>;
    QFETCH(Change, change);

    if (change) {
        const QByteArray good = saved("abc", "12345");
        QCOMPARE(Signature_module::LoadProxyCredentials(m_folder->path()), QStringLiteral("abc\t12345"));
        m_folder->writeFile(ProxyDat, change(good));
    }
    QVERIFY(!Signature_module::LoadProxyCredentialBytes(m_folder->path()));
    QCOMPARE(Signature_module::LoadProxyCredentials(m_folder->path()), QString());
}

void TestSignatureModule::base64_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << "" << QByteArray("");
    QTest::newRow("one byte") << "f" << QByteArray("Zg==");
    QTest::newRow("two bytes") << "fo" << QByteArray("Zm8=");
    QTest::newRow("three bytes") << "foo" << QByteArray("Zm9v");
    QTest::newRow("four bytes") << "foob" << QByteArray("Zm9vYg==");
    QTest::newRow("five bytes") << "fooba" << QByteArray("Zm9vYmE=");
    QTest::newRow("six bytes") << "foobar" << QByteArray("Zm9vYmFy");
    QTest::newRow("user colon password") << "Aladdin:open sesame" << QByteArray("QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    QTest::newRow("Cyrillic as local 8-bit bytes") << "й" << QByteArray("0Lk=");
}

void TestSignatureModule::base64()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(Signature_module::Base64Encode(text), expected);
}

void TestSignatureModule::credentialsProblem_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("named");

    const QString sixteenCyrillic = QStringLiteral("пользовательпрок");
    QTest::newRow("both fit") << QStringLiteral("user") << QString(31, u'p') << QStringList();
    QTest::newRow("15 Cyrillic letters fit") << sixteenCyrillic.left(15) << QStringLiteral("p") << QStringList();
    QTest::newRow("16 Cyrillic letters do not")
        << sixteenCyrillic << QStringLiteral("p") << QStringList { QStringLiteral("Имя") };
    QTest::newRow("long password") << QStringLiteral("u") << QString(32, u'p')
                                   << QStringList { QStringLiteral("Пароль") };
    QTest::newRow("both too long") << sixteenCyrillic << sixteenCyrillic
                                   << QStringList { QStringLiteral("Имя"), QStringLiteral("Пароль") };
}

void TestSignatureModule::credentialsProblem()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QStringList, named);

    const QString problem = Signature_module::CredentialsProblem(user, password);
    QCOMPARE(problem.isEmpty(), named.isEmpty());
    for (const QString& word : named)
        QVERIFY2(problem.contains(word), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestSignatureModule)
#include "tst_signaturemodule.moc"
