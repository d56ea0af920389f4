#include "ProfileFile.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

#include <optional>

namespace
{

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

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
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

QByteArray ReadValue(const QString& path, const QByteArray& section, const QByteArray& key)
{
    const QList<QByteArray> lines = splitLines(readAll(path));
    const auto range = findSection(lines, section);
    if (!range)
        return {};
    for (int i = range->first; i < range->second; ++i) {
        const auto kv = keyValue(lines[i]);
        if (kv && sameName(kv->first, key))
            return CutUtf8(kv->second, MaxValueBytes);
    }
    return {};
}

bool WriteValue(const QString& path, const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    QList<QByteArray> lines = splitLines(readAll(path));
    // A value ends at its first line break: written whole, the rest would become lines, keys and
    // sections of their own.
    qsizetype valueEnd = value.size();
    for (const char lineBreak : { '\r', '\n' }) {
        const qsizetype at = value.indexOf(lineBreak);
        if (at >= 0 && at < valueEnd)
            valueEnd = at;
    }
    const QByteArray entry = key + '=' + value.left(valueEnd);
    const auto range = findSection(lines, section);
    if (!range) {
        lines.append('[' + section + ']');
        lines.append(entry);
    } else {
        int insertAt = range->first;
        bool replaced = false;
        for (int i = range->first; i < range->second; ++i) {
            const auto kv = keyValue(lines[i]);
            if (kv && sameName(kv->first, key)) {
                lines[i] = entry;
                replaced = true;
                break;
            }
            if (!lines[i].trimmed().isEmpty())
                insertAt = i + 1;
        }
        if (!replaced)
            lines.insert(insertAt, entry);
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray& line : lines) {
        file.write(line);
        file.write("\r\n");
    }
    return file.commit();
}

} // namespace ProfileFile
