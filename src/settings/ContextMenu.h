#pragma once

#include <QString>

// The "upload with" entry of the file manager's context menu for JPEG, GIF and PNG files, kept as
// freedesktop desktop entries in $XDG_DATA_HOME/applications (default ~/.local/share/applications)
// that "Open with" offers without ever making them the default, and, beside them in $XDG_DATA_HOME, a
// MIME package that makes the offer possible, a KDE service menu, a Nemo action and a file-manager
// action (Caja, PCManFM). Registering and removing refresh the desktop's caches where their tools exist.
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
