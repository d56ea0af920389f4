#pragma once

#include <QString>

// The in-memory settings that mirror [Options] of options.ini (the proxy credentials live in proxy.dat).
struct Settings {
    bool UseProxy = false;
    QString ProxyHost;
    QString ProxyPort;
    bool ProxyAuth = false;
    QString ProxyUser;
    QString ProxyPassword;
    bool LimitJournal = false;
    qint16 JournalRows = 0;
    bool CommandLine = false;
};

// Loads, defaults and saves the settings of one program folder.
class OptionsModule final
{
public:
    explicit OptionsModule(QString programFolder);

    void LoadOptions();
    void SaveOptions();
    void SetDefaultOptions();

    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }
    QString optionsPath() const;
    // The executable that the file manager's context-menu entries start.
    QString programPath() const;

    static constexpr qint16 MinJournalRows = 10;
    static constexpr qint16 MaxJournalRows = 500;

private:
    QString m_programFolder;
    Settings m_settings;
};
