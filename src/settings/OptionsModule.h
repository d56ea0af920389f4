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

    // Reads options.ini once (created with defaults on the first run); a missing or damaged key reads
    // as its first-run value.
    // Keep leaves the temporary files of atomic replaces alone: another process of this program folder
    // may be writing one right now.
    enum class Leftovers { Remove, Keep };
    void LoadOptions(Leftovers leftovers = Leftovers::Remove);
    // Writes the seven keys of [Options] in one atomic replace of options.ini.
    void SaveOptions();
    void SetDefaultOptions();

    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }
    QString optionsPath() const;
    // The executable that the file manager's context-menu entries start.
    QString programPath() const;

    static constexpr qint16 MinJournalRows = 10;
    static constexpr qint16 MaxJournalRows = 500;
    static constexpr qint16 DefaultJournalRows = 100;

    // Removes the temporary files that an interrupted atomic replace of one of the program's own
    // settings files left in the program folder.
    static void RemoveLeftoverTemporaryFiles(const QString& programFolder);

private:
    QString m_programFolder;
    Settings m_settings;
};
