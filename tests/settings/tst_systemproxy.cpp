#include "settings/GetProxyModule.h"
#include "settings/SystemProxy.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

const QByteArray GnomeNone = "org.gnome.system.proxy mode 'none'\n"
                             "org.gnome.system.proxy.http host ''\n"
                             "org.gnome.system.proxy.http port 8080\n";

QByteArray gnomeManual(const QByteArray& host, const QByteArray& port)
{
    return "org.gnome.system.proxy autoconfig-url ''\n"
           "org.gnome.system.proxy mode 'manual'\n"
           "org.gnome.system.proxy.ftp host 'ftp.example'\n"
           "org.gnome.system.proxy.http host "
        + host + "\norg.gnome.system.proxy.http port " + port + "\norg.gnome.system.proxy.https port 443\n";
}

// A desktop of the test's own: an environment, a gsettings that prints what the test gives it (and
// fails for any other question), and a kioslaverc in a temporary folder.
class FakeDesktop
{
public:
    FakeDesktop() { m_environment.insert(QStringLiteral("HOME"), m_folder.path()); }

    void setEnvironment(const QString& name, const QString& value) { m_environment.insert(name, value); }

    void setGnome(const QByteArray& output, int exitCode = 0)
    {
        write(QStringLiteral("gsettings.out"), output);
        const QString program = m_folder.filePath(QStringLiteral("gsettings"));
        write(QStringLiteral("gsettings"),
            QStringLiteral("#!/bin/sh\n"
                           "[ \"$1 $2 $#\" = \"list-recursively org.gnome.system.proxy 2\" ] || exit 2\n"
                           "cat '%1'\nexit %2\n")
                .arg(m_folder.filePath(QStringLiteral("gsettings.out")))
                .arg(exitCode)
                .toUtf8());
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_gsettings = program;
    }

    void setKde(const QByteArray& kioslaverc) { write(QStringLiteral(".config/kioslaverc"), kioslaverc); }

    SystemProxy proxy() const
    {
        return SystemProxy({ m_environment, m_gsettings, SystemProxy::KioslavercPath(m_environment) });
    }

private:
    void write(const QString& name, const QByteArray& content)
    {
        QDir(m_folder.path()).mkpath(QFileInfo(m_folder.filePath(name)).path());
        QFile file(m_folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir m_folder;
    QProcessEnvironment m_environment;
    QString m_gsettings;
};

} // namespace

class tst_SystemProxy : public QObject
{
    Q_OBJECT

private slots:
    void firstSourceThatIsSetWins_data();
    void firstSourceThatIsSetWins();
    void gnome_data();
    void gnome();
    void kde_data();
    void kde();
    void missingSourcesAreNotSet();
    void kioslavercPath_data();
    void kioslavercPath();
    void selectorsSplitEverySource_data();
    void selectorsSplitEverySource();
};

void tst_SystemProxy::firstSourceThatIsSetWins_data()
{
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QByteArray>("gnome");
    QTest::addColumn<QByteArray>("kde");
    QTest::addColumn<QString>("proxy");

    const QByteArray kde = "[Proxy Settings]\nProxyType=1\nhttpProxy=http://kde.example 3128\n";
    const QByteArray gnome = gnomeManual("'gnome.example'", "8080");
    QTest::newRow("environment first") << "env.example:1" << QString() << gnome << kde << "env.example:1";
    QTest::newRow("HTTP_PROXY when http_proxy is empty") << ""
                                                         << "upper.example:2" << gnome << kde << "upper.example:2";
    QTest::newRow("http_proxy before HTTP_PROXY") << "lower.example:1"
                                                  << "upper.example:2" << gnome << kde << "lower.example:1";
    QTest::newRow("GNOME next") << "  " << QString() << gnome << kde << "gnome.example:8080";
    QTest::newRow("KDE when GNOME has none") << QString() << QString() << GnomeNone << kde << "http://kde.example:3128";
    QTest::newRow("none anywhere") << QString() << QString() << GnomeNone
                                   << QByteArray("[Proxy Settings]\nProxyType=0\nhttpProxy=http://kde.example 3128\n")
                                   << "";
}

void tst_SystemProxy::firstSourceThatIsSetWins()
{
    QFETCH(QString, lower);
    QFETCH(QString, upper);
    QFETCH(QByteArray, gnome);
    QFETCH(QByteArray, kde);
    QFETCH(QString, proxy);

    FakeDesktop desktop;
    if (!lower.isNull())
        desktop.setEnvironment(QStringLiteral("http_proxy"), lower);
    if (!upper.isNull())
        desktop.setEnvironment(QStringLiteral("HTTP_PROXY"), upper);
    desktop.setGnome(gnome);
    desktop.setKde(kde);
    QCOMPARE(desktop.proxy().ProxyText(), proxy);
}

void tst_SystemProxy::gnome_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("proxy");

    QTest::newRow("manual") << gnomeManual("'proxy.example'", "3128") << 0 << "proxy.example:3128";
    QTest::newRow("typed port") << gnomeManual("'proxy.example'", "uint32 3128") << 0 << "proxy.example:3128";
    QTest::newRow("IPv6 address") << gnomeManual("'::1'", "3128") << 0 << "[::1]:3128";
    QTest::newRow("no port") << gnomeManual("'proxy.example'", "0") << 0 << "proxy.example";
    QTest::newRow("quote in the host") << gnomeManual("\"it's\"", "1") << 0 << "it's:1";
    QTest::newRow("manual without host") << gnomeManual("''", "3128") << 0 << "";
    QTest::newRow("mode none") << GnomeNone << 0 << "";
    QTest::newRow("mode auto") << QByteArray("org.gnome.system.proxy mode 'auto'\n"
                                             "org.gnome.system.proxy.http host 'proxy.example'\n")
                               << 0 << "";
    QTest::newRow("schema missing") << QByteArray() << 1 << "";
}

void tst_SystemProxy::gnome()
{
    QFETCH(QByteArray, output);
    QFETCH(int, exitCode);
    QFETCH(QString, proxy);

    FakeDesktop desktop;
    desktop.setGnome(output, exitCode);
    QCOMPARE(desktop.proxy().GnomeProxy(), proxy);
}

void tst_SystemProxy::kde_data()
{
    QTest::addColumn<QByteArray>("kioslaverc");
    QTest::addColumn<QString>("proxy");

    QTest::newRow("address and port apart")
        << QByteArray("[Proxy Settings]\r\nProxyType=1\r\nhttpProxy=http://proxy.example 3128\r\n")
        << "http://proxy.example:3128";
    QTest::newRow("slash before the port")
        << QByteArray("[Proxy Settings]\nProxyType=1\nhttpProxy=http://p.example/ 8080\n") << "http://p.example:8080";
    QTest::newRow("host:port") << QByteArray("[Proxy Settings]\nProxyType=1\nhttpProxy=p.example:8080\n")
                               << "p.example:8080";
    QTest::newRow("other sections first")
        << QByteArray("[Cache]\nhttpProxy=wrong\n[Proxy Settings]\nhttpsProxy=x 1\nProxyType=1\nhttpProxy=right 1\n")
        << "right:1";
    QTest::newRow("proxy switched off") << QByteArray("[Proxy Settings]\nProxyType=0\nhttpProxy=p.example 8080\n")
                                        << "";
    QTest::newRow("automatic configuration")
        << QByteArray("[Proxy Settings]\nProxyType=2\nhttpProxy=p.example 8080\n") << "";
    QTest::newRow("manual without address") << QByteArray("[Proxy Settings]\nProxyType=1\nhttpProxy=\n") << "";
}

void tst_SystemProxy::kde()
{
    QFETCH(QByteArray, kioslaverc);
    QFETCH(QString, proxy);

    FakeDesktop desktop;
    desktop.setKde(kioslaverc);
    QCOMPARE(desktop.proxy().KdeProxy(), proxy);
}

void tst_SystemProxy::missingSourcesAreNotSet()
{
    QTemporaryDir folder;
    const SystemProxy nothing({ QProcessEnvironment(), folder.filePath(QStringLiteral("no-gsettings")),
        folder.filePath(QStringLiteral("no-kioslaverc")) });
    QCOMPARE(nothing.ProxyText(), QString());

    const SystemProxy notAsked({ QProcessEnvironment(), QString(), QString() });
    QCOMPARE(notAsked.ProxyText(), QString());
}

void tst_SystemProxy::kioslavercPath_data()
{
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("path");

    QTest::newRow("XDG_CONFIG_HOME") << "/cfg"
                                     << "/home/u"
                                     << "/cfg/kioslaverc";
    QTest::newRow("unset") << QString() << "/home/u"
                           << "/home/u/.config/kioslaverc";
    QTest::newRow("relative is ignored") << "cfg"
                                         << "/home/u"
                                         << "/home/u/.config/kioslaverc";
    QTest::newRow("no home") << QString() << QString() << "";
}

void tst_SystemProxy::kioslavercPath()
{
    QFETCH(QString, configHome);
    QFETCH(QString, home);
    QFETCH(QString, path);

    QProcessEnvironment environment;
    if (!configHome.isNull())
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    if (!home.isNull())
        environment.insert(QStringLiteral("HOME"), home);
    QCOMPARE(SystemProxy::KioslavercPath(environment), path);
}

// What each source gives is read by the same first-colon split as the environment's value.
void tst_SystemProxy::selectorsSplitEverySource_data()
{
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");

    QTest::newRow("GNOME") << "gnome.example:8080"
                           << "gnome.example"
                           << "8080";
    QTest::newRow("KDE") << "http://kde.example:3128"
                         << "kde.example"
                         << "3128";
}

void tst_SystemProxy::selectorsSplitEverySource()
{
    QFETCH(QString, proxy);
    QFETCH(QString, host);
    QFETCH(QString, port);

    QCOMPARE(GetProxyModule::GetIEProxy(1, proxy), QStringLiteral("1"));
    QCOMPARE(GetProxyModule::GetIEProxy(2, proxy), host);
    QCOMPARE(GetProxyModule::GetIEProxy(3, proxy), port);
}

QTEST_MAIN(tst_SystemProxy)
#include "tst_systemproxy.moc"
