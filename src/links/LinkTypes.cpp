#include "LinkTypes.h"

#include "platform/Shell.h"
#include "settings/Ini.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

namespace
{

const QString MainSection = QStringLiteral("Main");
const QString LinksTypeKey = QStringLiteral("LinksType");
const QString EnabledKey = QStringLiteral("Enabled");
const QString TitleKey = QStringLiteral("Title");
const QString LinkKey = QStringLiteral("Link");

const QString ImageWord = QStringLiteral("IMGLINK");
const QString PreviewWord = QStringLiteral("THLINK");

QString sectionFor(int slot)
{
    return QStringLiteral("Type") + QString::number(slot);
}

struct BuiltInType {
    QString title;
    QString pattern;
};

// The six built-in types of slots 1 to 6. The preview title begins with a Latin capital C (U+0043)
// followed by Cyrillic letters, and the two letters before the hyphen of the BB-code titles are both
// the Cyrillic capital Ve (U+0412): users' files and forum habits rely on these exact titles.
const std::array<BuiltInType, 6>& builtInTypes()
{
    static const std::array<BuiltInType, 6> types { {
        { QStringLiteral("Прямая ссылка"), QStringLiteral("IMGLINK") },
        { QStringLiteral("C") + QStringLiteral("сылка на превью"), QStringLiteral("THLINK") },
        { QStringLiteral("HTML-код изображения"), QStringLiteral("<img src=\"IMGLINK\">") },
        { QStringLiteral("HTML-код с превью"), QStringLiteral("<a href=\"IMGLINK\"><img src=\"THLINK\"></a>") },
        { QStringLiteral("\u0412\u0412-код изображения"), QStringLiteral("[img]IMGLINK[/img]") },
        { QStringLiteral("\u0412\u0412-код с превью"), QStringLiteral("[url=\"IMGLINK\"][img]THLINK[/img][/url]") },
    } };
    return types;
}

void writeSlot(const Ini& ini, int slot, const LinkTables::Slot& value)
{
    const QString section = sectionFor(slot);
    ini.WInIb(section, EnabledKey, value.enabled);
    ini.WInI(section, TitleKey, value.title);
    ini.WInI(section, LinkKey, value.pattern);
}

} // namespace

namespace LinkTypes
{

QString EditListEntry()
{
    return QStringLiteral("Редактировать список...");
}

QString LinkTypesPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("linkTypes.ini"));
}

QString OptionsPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("options.ini"));
}

void WriteDefaultLinkTypes(const QString& programFolder, LinkTables& tables)
{
    const QString path = LinkTypesPath(programFolder);
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.close();
    }
    Ini::SetFileName(path);
    const Ini ini;
    for (int s = 1; s <= LinkTables::SlotCount; ++s) {
        LinkTables::Slot& slot = tables.slot(s);
        if (s <= static_cast<int>(builtInTypes().size())) {
            const BuiltInType& type = builtInTypes()[static_cast<std::size_t>(s - 1)];
            slot = { true, type.title, type.pattern };
        } else {
            slot = { false, QString(), QString() };
        }
        writeSlot(ini, s, slot);
    }
}

QStringList AddLinkTypes(const QString& programFolder, LinkTables& tables)
{
    const QString path = LinkTypesPath(programFolder);
    if (!QFileInfo::exists(path))
        WriteDefaultLinkTypes(programFolder, tables);

    Ini::SetFileName(path);
    const Ini ini;
    for (int s = 1; s <= LinkTables::SlotCount; ++s) {
        const QString section = sectionFor(s);
        LinkTables::Slot& slot = tables.slot(s);
        slot.enabled = IniText::ToBoolean(ini.RINI(section, EnabledKey)).value_or(false);
        slot.title = ini.RINI(section, TitleKey);
        slot.pattern = ini.RINI(section, LinkKey);
    }
    return SelectorEntries(tables);
}

QStringList SelectorEntries(const LinkTables& tables)
{
    QStringList entries;
    for (int s = 1; s <= LinkTables::SlotCount; ++s) {
        if (tables.LinkEnabled(s))
            entries.append(tables.LinkTitles(s));
    }
    entries.append(EditListEntry());
    return entries;
}

QStringList SaveLinkTypes(const QString& programFolder, LinkTables& tables, const LinkTables& edited)
{
    Ini::SetFileName(LinkTypesPath(programFolder));
    const Ini ini;
    for (int s = 1; s <= LinkTables::SlotCount; ++s) {
        LinkTables::Slot slot = edited.slot(s);
        if (slot.title.isEmpty() || slot.pattern.isEmpty())
            slot.enabled = false;
        tables.slot(s) = slot;
        writeSlot(ini, s, slot);
    }
    return SelectorEntries(tables);
}

QString ApplyPattern(const QString& pattern, const QString& imageLink, const QString& previewLink)
{
    QString result;
    result.reserve(pattern.size() + imageLink.size() + previewLink.size());
    qsizetype i = 0;
    while (i < pattern.size()) {
        if (QStringView(pattern).sliced(i).startsWith(ImageWord)) {
            result += imageLink;
            i += ImageWord.size();
        } else if (QStringView(pattern).sliced(i).startsWith(PreviewWord)) {
            result += previewLink;
            i += PreviewWord.size();
        } else {
            result += pattern[i];
            ++i;
        }
    }
    return result;
}

int ReadStoredPosition(const QString& programFolder)
{
    Ini::SetFileName(OptionsPath(programFolder));
    return Ini().RINIi(MainSection, LinksTypeKey);
}

int StartupPosition(int storedPosition, const LinkTables& tables)
{
    const int count = tables.enabledCount();
    if (count == 0)
        return -1;
    return storedPosition >= 0 && storedPosition < count ? storedPosition : 0;
}

std::optional<QString> FormatLink(const QString& programFolder, const LinkTables& tables, int position,
    const QString& imageLink, QString& previewLink)
{
    Ini::SetFileName(OptionsPath(programFolder));
    Ini().WInIi(MainSection, LinksTypeKey, static_cast<qint16>(position));

    if (previewLink.isEmpty())
        previewLink = imageLink;
    if (imageLink.isEmpty())
        return std::nullopt;

    const int slot = tables.slotForPosition(position);
    const QString pattern = slot > 0 ? tables.LinkPatterns(slot) : QString();
    return ApplyPattern(pattern, imageLink, previewLink);
}

void CopyLink(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void OpenLink(const QString& text)
{
    Platform::OpenWithShell(text);
}

} // namespace LinkTypes
