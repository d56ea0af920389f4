#pragma once

#include <QString>

// The "upload with" entry of the file manager's context menu for JPEG, GIF and PNG files, kept as
// freedesktop desktop entries in $XDG_DATA_HOME/applications (default ~/.local/share/applications).
namespace ContextMenu
{

inline const QString Caption = QStringLiteral("Закачать при помощи Pictoferry");

// programPath: the full path of the executable that the entries start.
void RegisterContextMenu(const QString& programPath);
void UnregisterContextMenu();
bool IsContextMenuRegistered();

// One file class: "jpegfile", "giffile" or "pngfile".
void AddShellEntry(const QString& fileClass, const QString& programPath);
void RemoveShellEntry(const QString& fileClass);

// The folder that holds the entries.
QString EntriesFolder();

} // namespace ContextMenu
