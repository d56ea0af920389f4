#pragma once

#include <QProcessEnvironment>
#include <QString>

// Where the desktop keeps its HTTP proxy. The sources are read in this order and the first that has a
// proxy wins: the http_proxy (else HTTP_PROXY) environment variable; GNOME's settings, schema
// org.gnome.system.proxy in mode 'manual' with host and port of org.gnome.system.proxy.http, read with
// the gsettings command (a missing schema or command means no proxy there); KDE's kioslaverc,
// [Proxy Settings] with ProxyType=1 and httpProxy. Every source is handed in, so a test can use a fake
// environment, a fake gsettings and a kioslaverc of its own.
class SystemProxy final
{
public:
    struct Sources {
        QProcessEnvironment environment;
        QString gsettingsProgram; // empty: GNOME's settings are not read
        QString kioslavercPath; // empty: KDE's settings are not read
    };

    // The running desktop: the process environment, gsettings as found on PATH, and kioslaverc in the
    // user's configuration folder.
    static Sources DesktopSources();

    // $XDG_CONFIG_HOME/kioslaverc, or ~/.config/kioslaverc when XDG_CONFIG_HOME is unset or not absolute.
    static QString KioslavercPath(const QProcessEnvironment& environment);

    explicit SystemProxy(Sources sources);

    // The proxy in the form the http_proxy variable writes it (host, colon, port, possibly with a
    // scheme in front); empty when no source names one.
    QString ProxyText() const;

    QString EnvironmentProxy() const;
    QString GnomeProxy() const;
    QString KdeProxy() const;

    // How long gsettings may take before it is given up.
    static constexpr int GsettingsTimeoutMs = 3000;

private:
    Sources m_sources;
};
