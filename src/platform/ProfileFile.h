#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Sectioned settings files ("[Section]" lines followed by "key=value" lines) read and written with the
// classic profile-file rules: section and key names match without regard to case, the value is the text
// after the first "=" without surrounding blanks, the first matching key wins, a read returns at most
// MaxValueBytes bytes, a write keeps every other line and adds a missing section or key at its end.
// A value enclosed in a pair of double (or single) quotes is read without them. Writes replace the file
// atomically and end lines with CR LF; reads accept a bare LF too. A file larger than MaxFileBytes is no
// settings file: it reads as missing and is never rewritten.
namespace ProfileFile
{

inline constexpr int MaxValueBytes = 254;
inline constexpr qint64 MaxFileBytes = 1024 * 1024;

// A settings file read once, for any number of reads from memory.
struct Content {
    QList<QByteArray> lines;
    bool tooLarge = false; // the file is larger than MaxFileBytes and was not read
};

// One value to store: section, key, value.
struct Entry {
    QByteArray section;
    QByteArray key;
    QByteArray value;
};

// Reads the whole file; a missing or unreadable file gives no lines.
Content Load(const QString& path);

// Whether the file at the path is larger than MaxFileBytes.
bool IsTooLarge(const QString& path);

// The stored value, or empty when the section or key is missing. Never splits a UTF-8 sequence.
QByteArray Value(const Content& content, const QByteArray& section, const QByteArray& key);

// Whether the key is present in the section (an empty value counts).
bool HasKey(const Content& content, const QByteArray& section, const QByteArray& key);

// The stored value, or empty when the file, section or key is missing.
QByteArray ReadValue(const QString& path, const QByteArray& section, const QByteArray& key);

// Stores the value up to its first line break; returns false when the file cannot be written, and writes
// nothing for names that cannot stand in the file as they are: a section name with a line break or "]", a
// key with a line break or "=", or one that begins with "[" or ";".
bool WriteValue(const QString& path, const QByteArray& section, const QByteArray& key, const QByteArray& value);

// Stores every entry, in order, with one atomic replace of the file: either all of them or none are
// written (none when any entry's names are refused as by WriteValue). With `fresh` the file's earlier
// content is dropped first. A file that already holds the very bytes the write would give is left as it
// is.
bool WriteValues(const QString& path, const QList<Entry>& entries, bool fresh = false);

// Cuts text to at most maxBytes bytes without splitting a UTF-8 sequence.
QByteArray CutUtf8(const QByteArray& text, int maxBytes);

} // namespace ProfileFile
