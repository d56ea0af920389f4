#pragma once

#include <QByteArray>
#include <QString>

// Sectioned settings files ("[Section]" lines followed by "key=value" lines) read and written with the
// classic profile-file rules: section and key names match without regard to case, the value is the text
// after the first "=" without surrounding blanks, the first matching key wins, a read returns at most
// MaxValueBytes bytes, a write keeps every other line and adds a missing section or key at its end.
// Writes replace the file atomically and end lines with CR LF; reads accept a bare LF too.
namespace ProfileFile
{

inline constexpr int MaxValueBytes = 254;

// The stored value, or empty when the file, section or key is missing. Never splits a UTF-8 sequence.
QByteArray ReadValue(const QString& path, const QByteArray& section, const QByteArray& key);

// Stores the value up to its first line break; returns false when the file cannot be written.
bool WriteValue(const QString& path, const QByteArray& section, const QByteArray& key, const QByteArray& value);

// Cuts text to at most maxBytes bytes without splitting a UTF-8 sequence.
QByteArray CutUtf8(const QByteArray& text, int maxBytes);

} // namespace ProfileFile
