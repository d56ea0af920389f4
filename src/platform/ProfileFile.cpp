#include "ProfileFile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <algorithm>
#include <optional>

namespace
{

// A settings file's bytes as they stand, or nothing for a file that cannot be opened or is too large.
struct StoredBytes {
    QByteArray bytes;
    bool tooLarge = false;
};

StoredBytes readStored(const QString& path)
{
    StoredBytes stored;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return stored;
    if (file.size() > ProfileFile::MaxFileBytes) {
        stored.tooLarge = true;
        return stored;
    }
    // A file that grows while it is read is cut at the limit, not read without end.
    stored.bytes = file.read(ProfileFile::MaxFileBytes + 1);
    return stored;
}

QList<QByteArray> splitLines(const QByteArray& content)
{
    QList<QByteArray> lines = content.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<QByteArray> sectionName(const QByteArray& line)
{
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const int close = trimmed.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

// Key and value of a "key=value" line; comments and lines without "=" give nothing.
std::optional<std::pair<QByteArray, QByteArray>> keyValue(const QByteArray& line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith(';'))
        return std::nullopt;
    const int eq = line.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return std::make_pair(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
}

// A hand-edited value in a pair of quotes is meant without them.
QByteArray unquoted(const QByteArray& value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// The index of the key's line inside the section's range, or -1.
int findKey(const QList<QByteArray>& lines, const std::pair<int, int>& range, const QByteArray& key)
{
    for (int i = range.first; i < range.second; ++i) {
        const auto kv = keyValue(lines[i]);
        if (kv && sameName(kv->first, key))
            return i;
    }
    return -1;
}

// Index range [first, end) of the lines that belong to the first matching section, or nothing.
std::optional<std::pair<int, int>> findSection(const QList<QByteArray>& lines, const QByteArray& section)
{
    int first = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i]);
        if (!name)
            continue;
        if (first >= 0)
            return std::make_pair(first, i);
        if (sameName(*name, section))
            first = i + 1;
    }
    if (first >= 0)
        return std::make_pair(first, int(lines.size()));
    return std::nullopt;
}

// Whether the entry's names can stand in the file as they are. A line break in either would start lines
// of its own, a "]" would end the section's name early and a "=" would end the key early; a key that begins
// with "[" or ";" would make its line a section or a comment. Such a name would be read back as something
// else, or turn the lines after it into other keys and sections.
bool hasSafeNames(const ProfileFile::Entry& entry)
{
    const auto breaksLine = [](const QByteArray& name) { return name.contains('\r') || name.contains('\n'); };
    const QByteArray key = entry.key.trimmed();
    return !breaksLine(entry.section) && !entry.section.contains(']') && !breaksLine(entry.key)
        && !entry.key.contains('=') && !key.startsWith('[') && !key.startsWith(';');
}

// Puts one entry into the lines: replaces the section's first matching key, or adds the key after the
// section's last non-blank line, or adds the section at the end.
void setEntry(QList<QByteArray>& lines, const ProfileFile::Entry& entry)
{
    // A value ends at its first line break: written whole, the rest would become lines, keys and
    // sections of their own.
    qsizetype valueEnd = entry.value.size();
    for (const char lineBreak : { '\r', '\n' }) {
        const qsizetype at = entry.value.indexOf(lineBreak);
        if (at >= 0 && at < valueEnd)
            valueEnd = at;
    }
    const QByteArray line = entry.key + '=' + entry.value.left(valueEnd);
    const auto range = findSection(lines, entry.section);
    if (!range) {
        lines.append('[' + entry.section + ']');
        lines.append(line);
        return;
    }
    const int existing = findKey(lines, *range, entry.key);
    if (existing >= 0) {
        lines[existing] = line;
        return;
    }
    int insertAt = range->first;
    for (int i = range->first; i < range->second; ++i) {
        if (!lines[i].trimmed().isEmpty())
            insertAt = i + 1;
    }
    lines.insert(insertAt, line);
}

} // namespace

namespace ProfileFile
{

QByteArray CutUtf8(const QByteArray& text, int maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    int end = maxBytes;
    // Step back over continuation bytes so that the cut falls before a sequence's lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.left(end);
}

Content Load(const QString& path)
{
    const StoredBytes stored = readStored(path);
    return { splitLines(stored.bytes), stored.tooLarge };
}

bool IsTooLarge(const QString& path)
{
    return QFileInfo(path).size() > MaxFileBytes;
}

QByteArray Value(const Content& content, const QByteArray& section, const QByteArray& key)
{
    const auto range = findSection(content.lines, section);
    if (!range)
        return {};
    const int line = findKey(content.lines, *range, key);
    if (line < 0)
        return {};
    return CutUtf8(unquoted(keyValue(content.lines[line])->second), MaxValueBytes);
}

bool HasKey(const Content& content, const QByteArray& section, const QByteArray& key)
{
    const auto range = findSection(content.lines, section);
    return range && findKey(content.lines, *range, key) >= 0;
}

QByteArray ReadValue(const QString& path, const QByteArray& section, const QByteArray& key)
{
    return Value(Load(path), section, key);
}

bool WriteValue(const QString& path, const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    return WriteValues(path, { { section, key, value } });
}

bool WriteValues(const QString& path, const QList<Entry>& entries, bool fresh)
{
    if (!std::all_of(entries.begin(), entries.end(), hasSafeNames))
        return false;
    StoredBytes stored;
    if (!fresh) {
        stored = readStored(path);
        // A file too large to read is not ours to rewrite.
        if (stored.tooLarge)
            return false;
    }
    QList<QByteArray> lines = splitLines(stored.bytes);
    for (const Entry& entry : entries)
        setEntry(lines, entry);
    QByteArray bytes;
    for (const QByteArray& line : std::as_const(lines))
        bytes += line + "\r\n";
    // A file that already holds these very bytes is left alone: values saved again as they stand (the link
    // type at every start, settings confirmed unchanged) cost no replace and no wait for the disk.
    if (!stored.bytes.isEmpty() && bytes == stored.bytes)
        return true;

    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace ProfileFile
