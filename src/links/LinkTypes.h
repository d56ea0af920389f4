#pragma once

#include "links/LinkTables.h"

#include <QString>
#include <QStringList>

#include <optional>

// Link types: the file linkTypes.ini in the program folder, the link-type selector's entries, and the
// formatting of the uploaded picture's links by the chosen type. Widget-free; LinkTypesController binds
// it to the main window.
namespace LinkTypes
{

// The last entry of the selector, after the titles of the enabled slots.
QString EditListEntry();

QString LinkTypesPath(const QString& programFolder);
QString OptionsPath(const QString& programFolder);

// Creates linkTypes.ini afresh with the built-in types and puts them into the tables.
void WriteDefaultLinkTypes(const QString& programFolder, LinkTables& tables);

// Loads linkTypes.ini (created with the built-in types when missing) into the tables and returns the
// selector's entries: the titles of the enabled slots in slot order, then EditListEntry().
// An Enabled value that is missing or neither a boolean word nor a number reads as false.
// Leaves the settings store's file pointing at linkTypes.ini.
QStringList AddLinkTypes(const QString& programFolder, LinkTables& tables);

// The selector's entries for the tables.
QStringList SelectorEntries(const LinkTables& tables);

// Writes all seven slots to linkTypes.ini and replaces the tables with them. A slot with an empty title
// or an empty pattern is stored switched off whatever `edited` says. Returns the new selector entries.
QStringList SaveLinkTypes(const QString& programFolder, LinkTables& tables, const LinkTables& edited);

// The pattern with every IMGLINK replaced by the image link and every THLINK by the preview link. The
// pattern is scanned once, so a link that itself holds one of the two words is inserted unchanged.
QString ApplyPattern(const QString& pattern, const QString& imageLink, const QString& previewLink);

// [Main] LinksType of options.ini: the stored selector position.
int ReadStoredPosition(const QString& programFolder);

// The position start-up selects: the stored one when it stands for a link type, otherwise the first
// link type (0); -1 when no link type is enabled.
int StartupPosition(int storedPosition, const LinkTables& tables);

// The formatting that follows every change of the selection, without the selector itself:
// stores `position` as [Main] LinksType in options.ini; fills an empty preview link with the image link
// (permanently: the journal records that value); then, if there is an image link, returns the link text
// for the slot that `position` stands for (empty text when it stands for none). Returns nothing when
// there is no image link, meaning the link text stays as it is.
std::optional<QString> FormatLink(const QString& programFolder, const LinkTables& tables, int position,
    const QString& imageLink, QString& previewLink);

// Puts the text on the clipboard as plain text, replacing whatever was there.
void CopyLink(const QString& text);

// Hands the text to the desktop to open (a browser for an address). The outcome is not examined.
void OpenLink(const QString& text);

} // namespace LinkTypes
