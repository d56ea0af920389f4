#pragma once

#include <QString>

#include <functional>

// Hands an address or a file to the desktop ("open" in the file manager's sense).
namespace Platform
{

using OpenHook = std::function<void(const QString&)>;

// Opens a web address as written, or a local file path, with the desktop's default application.
void OpenWithShell(const QString& target);

// Replaces the desktop with a recorder (tests); an empty hook brings the desktop back.
void SetOpenHook(OpenHook hook);

} // namespace Platform
