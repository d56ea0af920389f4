#include "OptionsModule.h"

#include "ContextMenu.h"
#include "GetProxyModule.h"
#include "Ini.h"
#include "Signature_module.h"

#include <QDir>
#include <QFileInfo>

namespace
{

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

void OptionsModule::LoadOptions()
{
    if (!QFileInfo::exists(optionsPath()))
        SetDefaultOptions();

    Ini::SetFileName(optionsPath());
    const Ini ini;
    m_settings.UseProxy = ini.RINIb(OptionsSection, QStringLiteral("UseProxy"));
    m_settings.ProxyHost = ini.RINI(OptionsSection, QStringLiteral("ProxyHost"));
    m_settings.ProxyPort = ini.RINI(OptionsSection, QStringLiteral("ProxyPort"));
    m_settings.ProxyAuth = ini.RINIb(OptionsSection, QStringLiteral("ProxyAuth"));
    m_settings.LimitJournal
        = IniText::ToBoolean(ini.RINI(OptionsSection, QStringLiteral("LimitJournal"))).value_or(true);
    m_settings.JournalRows = static_cast<qint16>(
        IniText::ToInteger(ini.RINI(OptionsSection, QStringLiteral("JournalRows")), MinJournalRows, MaxJournalRows));
    m_settings.CommandLine = IniText::ToBoolean(ini.RINI(OptionsSection, QStringLiteral("CommandLine"))).value_or(true);

    const QString credentials = Signature_module::LoadProxyCredentials(m_programFolder);
    if (!credentials.isEmpty()) {
        const qsizetype tab = credentials.indexOf(QLatin1Char('\t'));
        m_settings.ProxyUser = credentials.left(tab);
        m_settings.ProxyPassword = credentials.mid(tab + 1);
    }
}

void OptionsModule::SaveOptions()
{
    Ini::SetFileName(optionsPath());
    const Ini ini;
    ini.WInIb(OptionsSection, QStringLiteral("UseProxy"), m_settings.UseProxy);
    ini.WInI(OptionsSection, QStringLiteral("ProxyHost"), m_settings.ProxyHost);
    ini.WInI(OptionsSection, QStringLiteral("ProxyPort"), m_settings.ProxyPort);
    ini.WInIb(OptionsSection, QStringLiteral("ProxyAuth"), m_settings.ProxyAuth);
    ini.WInIb(OptionsSection, QStringLiteral("LimitJournal"), m_settings.LimitJournal);
    ini.WInIi(OptionsSection, QStringLiteral("JournalRows"), m_settings.JournalRows);
    ini.WInIb(OptionsSection, QStringLiteral("CommandLine"), m_settings.CommandLine);

    if (!m_settings.ProxyUser.isEmpty() && !m_settings.ProxyPassword.isEmpty())
        Signature_module::SaveProxyCredentials(m_programFolder, m_settings.ProxyUser, m_settings.ProxyPassword);
}

void OptionsModule::SetDefaultOptions()
{
    m_settings.JournalRows = 100;
    m_settings.LimitJournal = true;
    m_settings.CommandLine = true;
    GetProxyModule::SetProxyAsIE(m_settings);
    ContextMenu::RegisterContextMenu(programPath());
    SaveOptions();
}
