#include "LinkTypes.h"

#include "platform/Shell.h"
#include "settings/Ini.h"
#include "settings/IniFile.h"

#include <QClipboard>
#include <QDir>
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

void writeSlot(IniFile& ini, int slot, const LinkTables::Slot& value)
{
    const QString section = sectionFor(slot);
    ini.WInIb(section, EnabledKey, value.enabled);
    ini.WInI(section, TitleKey, value.title);
    ini.WInI(section, LinkKey, value.pattern);
}

LinkTables::Slot builtInSlot(int slot)
{
    if (slot > static_cast<int>(builtInTypes().size()))
        return { false, QString(), QString() };
    const BuiltInType& type = builtInTypes()[static_cast<std::size_t>(slot - 1)];
    return { true, type.title, type.pattern };
}

// A slot whose three keys are all there and whose Enabled value is a boolean word or a number.
std::optional<LinkTables::Slot> readSlot(const IniFile& ini, int slot)
{
    const QString section = sectionFor(slot);
    if (!ini.HasKey(section, EnabledKey) || !ini.HasKey(section, TitleKey) || !ini.HasKey(section, LinkKey))
        return std::nullopt;
    const std::optional<bool> enabled = IniText::ToBoolean(ini.RINI(section, EnabledKey));
    if (!enabled)
        return std::nullopt;
    return LinkTables::Slot { *enabled, ini.RINI(section, TitleKey), ini.RINI(section, LinkKey) };
}

bool usable(const LinkTables::Slot& slot)
{
    return slot.enabled && !slot.title.isEmpty() && !slot.pattern.isEmpty();
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
    // One atomic replace: a crash leaves the old file or the whole new one, never a part.
    IniFile ini(LinkTypesPath(programFolder));
    for (int s = 1; s <= LinkTables::SlotCount; ++s) {
        tables.slot(s) = builtInSlot(s);
        writeSlot(ini, s, tables.slot(s));
    }
    ini.Commit(true);
}

QStringList AddLinkTypes(const QString& programFolder, LinkTables& tables)
{
    const QString path = LinkTypesPath(programFolder);
    if (!QFileInfo::exists(path))
        WriteDefaultLinkTypes(programFolder, tables);

    IniFile ini(path);
    bool anyUsable = false;
    bool anyUnreadable = false;
    for (int s = 1; s <= LinkTables::SlotCount; ++s) {
        const std::optional<LinkTables::Slot> slot = readSlot(ini, s);
        // A missing or non-boolean Enabled reads as switched off, missing texts as empty.
        tables.slot(s) = slot.value_or(
            LinkTables::Slot { false, ini.RINI(sectionFor(s), TitleKey), ini.RINI(sectionFor(s), LinkKey) });
        anyUsable = anyUsable || usable(tables.slot(s));
        anyUnreadable = anyUnreadable || !slot;
    }
    // A file that offers no link type at all because it was cut short or damaged gets the built-in
    // types back in the slots it cannot tell; the slots it holds whole stay the user's.
    if (!anyUsable && anyUnreadable) {
        for (int s = 1; s <= LinkTables::SlotCount; ++s) {
            if (!readSlot(ini, s))
                tables.slot(s) = builtInSlot(s);
            writeSlot(ini, s, tables.slot(s));
        }
        if (!ini.tooLarge())
            ini.Commit(true);
    }
    Ini::SetFileName(path);
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
    IniFile ini(LinkTypesPath(programFolder));
    for (int s = 1; s <= LinkTables::SlotCount; ++s) {
        LinkTables::Slot slot = edited.slot(s);
        if (slot.title.isEmpty() || slot.pattern.isEmpty())
            slot.enabled = false;
        tables.slot(s) = slot;
        writeSlot(ini, s, slot);
    }
    ini.Commit();
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
