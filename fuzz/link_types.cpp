// linkTypes.ini: any file content. The selector lists the enabled slots and the edit entry, and what is
// saved is loaded back as the settings file holds it.
#include "FuzzSupport.h"

#include "links/LinkTypes.h"

namespace
{

QString stored(const QString& text)
{
    return QString::fromLocal8Bit(Fuzz::StoredValue(text.toLocal8Bit()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString folder = Fuzz::CleanFolder();
    Fuzz::WriteFile(LinkTypes::LinkTypesPath(folder),
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

    LinkTables tables;
    const QStringList entries = LinkTypes::AddLinkTypes(folder, tables);
    Fuzz::Check(entries.size() == tables.enabledCount() + 1 && entries.last() == LinkTypes::EditListEntry(),
        "the selector lists the enabled slots and the edit entry");
    for (int position = 0; position < tables.enabledCount(); ++position) {
        const int slot = tables.slotForPosition(position);
        Fuzz::Check(slot >= 1 && slot <= LinkTables::SlotCount && tables.LinkEnabled(slot)
                && entries[position] == tables.LinkTitles(slot),
            "every entry stands for an enabled slot");
    }

    LinkTables saved;
    LinkTypes::SaveLinkTypes(folder, saved, tables);
    LinkTables loaded;
    LinkTypes::AddLinkTypes(folder, loaded);
    for (int s = 1; s <= LinkTables::SlotCount; ++s) {
        const LinkTables::Slot& slot = saved.slot(s);
        const LinkTables::Slot& back = loaded.slot(s);
        Fuzz::Check(!slot.enabled || (!slot.title.isEmpty() && !slot.pattern.isEmpty()),
            "a slot without a title or pattern is switched off");
        Fuzz::Check(
            back.enabled == slot.enabled && back.title == stored(slot.title) && back.pattern == stored(slot.pattern),
            "a saved slot loads back",
            (slot.title + u'|' + slot.pattern + QStringLiteral(" -> ") + back.title + u'|' + back.pattern).toUtf8());
    }
    return 0;
}
