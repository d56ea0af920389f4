#include "OptionsModule.h"

#include "ContextMenu.h"
#include "GetProxyModule.h"
#include "Ini.h"
#include "IniFile.h"
#include "Signature_module.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace
{

// Removes the files of the folder named a prefix followed by six characters, the leftovers of an atomic
// replace. The names are compared by hand: wildcard filters would build a regular expression at every start.
void removeLeftovers(const QDir& folder, const QStringList& prefixes)
{
    constexpr qsizetype TemplateLength = 6;
    const auto isLeftover = [&prefixes](const QString& name) {
        return std::any_of(prefixes.begin(), prefixes.end(), [&name](const QString& prefix) {
            return name.size() == prefix.size() + TemplateLength && name.startsWith(prefix);
        });
    };
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (isLeftover(name))
            QFile::remove(folder.filePath(name));
    }
}

const QString OptionsSection = QStringLiteral("Options");

} // namespace

OptionsModule::OptionsModule(QString programFolder)
    : m_programFolder(std::move(programFolder))
{
}

QString OptionsModule::optionsPath() const
{
    return QDir(m_programFolder).filePath(QStringLiteral("options.ini"));
}

QString OptionsModule::programPath() const
{
    return QDir(m_programFolder).filePath(QStringLiteral("pictoferry"));
}

void OptionsModule::LoadOptions(Leftovers leftovers)
{
    if (leftovers == Leftovers::Remove)
        RemoveLeftoverTemporaryFiles(m_programFolder);
    if (!QFileInfo::exists(optionsPath()))
        SetDefaultOptions();

    // A key that is missing or unreadable (a file cut short, or edited by hand) reads as the value the
    // first run writes.
    const IniFile ini(optionsPath());
    const auto text = [&ini](const char* key) { return ini.RINI(OptionsSection, QLatin1String(key)); };
    const auto flag
        = [&text](const char* key, bool byDefault) { return IniText::ToBoolean(text(key)).value_or(byDefault); };
    const auto has = [&ini](const char* key) { return ini.HasKey(OptionsSection, QLatin1String(key)); };
    Settings system;
    if (!has("UseProxy") || !has("ProxyHost") || !has("ProxyPort"))
        GetProxyModule::SetProxyAsIE(system);
    m_settings.UseProxy = has("UseProxy") ? text("UseProxy") == QLatin1String("True") : system.UseProxy;
    m_settings.ProxyHost = has("ProxyHost") ? text("ProxyHost") : system.ProxyHost;
    m_settings.ProxyPort = has("ProxyPort") ? text("ProxyPort") : system.ProxyPort;
    m_settings.ProxyAuth = text("ProxyAuth") == QLatin1String("True");
    m_settings.LimitJournal = flag("LimitJournal", true);
    const QString rows = text("JournalRows").trimmed();
    m_settings.JournalRows = rows.isEmpty() || !(rows[0].isDigit() || rows[0] == u'-' || rows[0] == u'+')
        ? DefaultJournalRows
        : static_cast<qint16>(IniText::ToInteger(rows, MinJournalRows, MaxJournalRows));
    m_settings.CommandLine = flag("CommandLine", true);

    const QString credentials = Signature_module::LoadProxyCredentials(m_programFolder);
    if (!credentials.isEmpty()) {
        const qsizetype tab = credentials.indexOf(QLatin1Char('\t'));
        m_settings.ProxyUser = credentials.left(tab);
        m_settings.ProxyPassword = credentials.mid(tab + 1);
    }
}

void OptionsModule::SaveOptions()
{
    // All seven keys in one replace of the file: a crash leaves the old file or the new one.
    IniFile ini(optionsPath());
    ini.WInIb(OptionsSection, QStringLiteral("UseProxy"), m_settings.UseProxy);
    ini.WInI(OptionsSection, QStringLiteral("ProxyHost"), m_settings.ProxyHost);
    ini.WInI(OptionsSection, QStringLiteral("ProxyPort"), m_settings.ProxyPort);
    ini.WInIb(OptionsSection, QStringLiteral("ProxyAuth"), m_settings.ProxyAuth);
    ini.WInIb(OptionsSection, QStringLiteral("LimitJournal"), m_settings.LimitJournal);
    ini.WInIi(OptionsSection, QStringLiteral("JournalRows"), m_settings.JournalRows);
    ini.WInIb(OptionsSection, QStringLiteral("CommandLine"), m_settings.CommandLine);
    ini.Commit();

    if (!m_settings.ProxyUser.isEmpty() && !m_settings.ProxyPassword.isEmpty())
        Signature_module::SaveProxyCredentials(m_programFolder, m_settings.ProxyUser, m_settings.ProxyPassword);
}

void OptionsModule::RemoveLeftoverTemporaryFiles(const QString& programFolder)
{
    // An atomic replace writes "<name>.XXXXXX" beside the file and renames it; a crash can leave one, and
    // one of the journal page can be tens of megabytes. The page and journal.lines are written only by the
    // window, which runs once per program folder and has written neither yet.
    const QDir folder(programFolder);
    removeLeftovers(folder,
        { QStringLiteral("options.ini."), QStringLiteral("linkTypes.ini."), QStringLiteral("cookies.ini."),
            QStringLiteral("proxy.dat."), QStringLiteral("journal.lines.") });
    removeLeftovers(QDir(folder.filePath(QStringLiteral("journal"))), { QStringLiteral("journal.htm.") });
}

void OptionsModule::SetDefaultOptions()
{
    m_settings.JournalRows = DefaultJournalRows;
    m_settings.LimitJournal = true;
    m_settings.CommandLine = true;
    GetProxyModule::SetProxyAsIE(m_settings);
    ContextMenu::RegisterContextMenu(programPath());
    SaveOptions();
}
