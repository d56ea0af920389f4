#include "JournalPage.h"

#include "Journal.h"
#include "LineCheckpoint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <sys/stat.h>

#include <cstdio>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace
{

const QByteArray ClipboardSource = QByteArrayLiteral("Clipboard");
const QByteArray TableMarker = QByteArrayLiteral("<!--INSERT_TABLE -->");
const QByteArray NoteMarker = QByteArrayLiteral("<!--INSERT_NOTE -->");
constexpr int FieldCount = 5; // the fields every record has
constexpr int DeletionField = FieldCount; // the optional field after them

// The values a row template can hold, one slot each.
enum Slot { PictureUrl, FileName, ImageLink, PreviewLink, Date, Time, Number, DeletionLink, SlotCount };

struct Placeholder {
    QByteArrayView word;
    Slot slot;
};

constexpr std::array<Placeholder, SlotCount> Placeholders { {
    { "FILEPATH", PictureUrl },
    { "FILENAME", FileName },
    { "IMGLINK", ImageLink },
    { "THLINK", PreviewLink },
    { "DATE", Date },
    { "TIME", Time },
    { "NUMBER", Number },
    { "DELLINK", DeletionLink },
} };

// The row template cut once into literal text and placeholders; filling a row then only joins pieces.
// Placeholders are looked for only at a byte that starts one, and a value put into a row is never
// looked at again, so a file named "UPDATE.jpg" or a link holding "NUMBER" stays as it is.
class RowTemplate final
{
public:
    explicit RowTemplate(QByteArrayView text)
    {
        std::array<bool, 256> startsOne {};
        for (const Placeholder& placeholder : Placeholders)
            startsOne[static_cast<unsigned char>(placeholder.word.front())] = true;

        qsizetype literalStart = 0;
        qsizetype i = 0;
        while (i < text.size()) {
            const Placeholder* found = startsOne[static_cast<unsigned char>(text[i])] ? match(text.sliced(i)) : nullptr;
            if (!found) {
                ++i;
                continue;
            }
            m_literals.append(text.sliced(literalStart, i - literalStart).toByteArray());
            m_slots.push_back(found->slot);
            i += found->word.size();
            literalStart = i;
        }
        m_literals.append(text.sliced(literalStart).toByteArray());
    }

    void appendTo(QByteArray& out, const std::array<QByteArray, SlotCount>& values) const
    {
        for (std::size_t k = 0; k < m_slots.size(); ++k) {
            out += m_literals[static_cast<qsizetype>(k)];
            out += values[m_slots[k]];
        }
        out += m_literals.last();
    }

    bool uses(Slot slot) const { return std::find(m_slots.begin(), m_slots.end(), slot) != m_slots.end(); }

private:
    static const Placeholder* match(QByteArrayView text)
    {
        for (const Placeholder& placeholder : Placeholders) {
            if (text.startsWith(placeholder.word))
                return &placeholder;
        }
        return nullptr;
    }

    QList<QByteArray> m_literals; // one more than the slots: the text before, between and after them
    std::vector<Slot> m_slots;
};

// journal.txt as bytes (mapped, not copied) with its lines walked from the last to the first. Lines end
// with LF (a CR before it is dropped); a last line without LF counts as a line. Record N is line N. The
// lines are counted from the checkpoint kept beside the journal, so that only its end is read when the
// walk stops early.
class JournalLines final
{
public:
    JournalLines(const QString& path, const QString& checkpointPath)
        : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            return;
        const qint64 size = m_file.size();
        if (size <= 0)
            return;
        if (uchar* mapped = m_file.map(0, size)) {
            m_data = reinterpret_cast<const char*>(mapped);
        } else {
            m_copy = m_file.readAll();
            m_data = m_copy.constData();
        }
        m_size = static_cast<std::size_t>(size);
        m_count = Journal::CountLineEnds(checkpointPath, m_file.handle(), QByteArrayView(m_data, size));
        if (m_data[m_size - 1] != '\n')
            ++m_count;
        m_end = m_data[m_size - 1] == '\n' ? m_size - 1 : m_size;
    }

    qsizetype count() const { return m_count; }

    // The line before the last one returned (at first: the last line); false when none is left.
    bool previous(QByteArrayView& line)
    {
        if (m_end == NoneLeft)
            return false;
        const void* lineEnd = memrchr(m_data, '\n', m_end);
        const std::size_t begin = lineEnd ? static_cast<const char*>(lineEnd) - m_data + 1 : 0;
        std::size_t end = m_end;
        if (end > begin && m_data[end - 1] == '\r')
            --end;
        line = QByteArrayView(m_data + begin, static_cast<qsizetype>(end - begin));
        m_end = begin == 0 ? NoneLeft : begin - 1;
        return true;
    }

private:
    static constexpr std::size_t NoneLeft = static_cast<std::size_t>(-1);

    QFile m_file;
    QByteArray m_copy;
    const char* m_data = nullptr;
    std::size_t m_size = 0;
    qsizetype m_count = 0;
    std::size_t m_end = NoneLeft;
};

// The first five TAB-separated fields of a line and the optional sixth (empty when missing); false when the
// line has fewer than five.
bool splitFields(QByteArrayView line, std::array<QByteArrayView, FieldCount + 1>& fields)
{
    qsizetype start = 0;
    for (int k = 0; k <= DeletionField; ++k) {
        if (start > line.size()) {
            fields[static_cast<std::size_t>(k)] = {};
            continue;
        }
        const qsizetype tab = line.indexOf('\t', start);
        if (tab < 0 && k < FieldCount - 1)
            return false;
        const qsizetype end = tab < 0 ? line.size() : tab;
        fields[static_cast<std::size_t>(k)] = line.sliced(start, end - start);
        start = end + 1;
    }
    return true;
}

void appendEscaped(QByteArray& out, QByteArrayView value)
{
    for (const char c : value) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
}

QByteArray escaped(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size());
    appendEscaped(out, value);
    return out;
}

bool isWebAddress(QByteArrayView link)
{
    const auto startsWith = [link](QByteArrayView prefix) {
        return link.size() > prefix.size() && link.first(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
    };
    return startsWith("http://") || startsWith("https://");
}

// The deletion link's line of a row: a link for a web address, plain text for anything else (the page must
// not run what a server calls a link), nothing without one.
QByteArray deletionLine(QByteArrayView link)
{
    if (link.isEmpty())
        return {};
    QByteArray out = "<div><span class=\"label\">" + QStringLiteral("удаление").toLocal8Bit() + "</span>";
    const QByteArray text = escaped(link);
    if (isWebAddress(link))
        out += "<a href=\"" + text + "\" target=\"_blank\">" + text + "</a>";
    else
        out += text;
    return out + "</div>";
}

// A file URL for a local path, percent-encoded as QUrl encodes a path fully.
QByteArray fileUrl(QByteArrayView path)
{
    return "file://" + QByteArray::fromRawData(path.data(), path.size()).toPercentEncoding("/!$&'()*+,;=:@[]");
}

bool isFile(QByteArrayView path)
{
    const QByteArray name = path.toByteArray();
    struct stat info {
    };
    return ::stat(name.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// What stays the same for every row: the pictures for a clipboard record and for a missing file.
struct Pictures {
    QByteArray clipboardUrl;
    QByteArray missingUrl;
};

Pictures picturesIn(const QString& templateFolder)
{
    const QByteArray missing = QFile::encodeName(QDir(templateFolder).filePath(QStringLiteral("nofile.gif")));
    const QByteArray clipboard = QFile::encodeName(QDir(templateFolder).filePath(QStringLiteral("clipboard.gif")));
    const QByteArray missingUrl = escaped(fileUrl(missing));
    return { isFile(clipboard) ? escaped(fileUrl(clipboard)) : missingUrl, missingUrl };
}

// The picture of a record: the clipboard picture, the uploaded file when it still exists, else the
// picture for a missing file. Only an absolute path is looked up.
QByteArray pictureUrl(const Pictures& pictures, QByteArrayView source)
{
    if (source == ClipboardSource)
        return pictures.clipboardUrl;
    if (source.startsWith('/') && isFile(source))
        return escaped(fileUrl(source));
    return pictures.missingUrl;
}

QByteArray fileName(QByteArrayView source)
{
    if (source == ClipboardSource)
        return QStringLiteral("Буфер обмена").toLocal8Bit();
    return escaped(source.sliced(source.lastIndexOf('/') + 1));
}

bool readTemplate(const QString& path, QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    text = file.readAll();
    return true;
}

struct Rows {
    QByteArray text;
    bool cut = false; // the limit left older records out
};

Rows buildRows(const QString& programFolder, const RowTemplate& row, int rowLimit)
{
    const Pictures pictures = picturesIn(Journal::TemplateFolder(programFolder));
    const bool needsPicture = row.uses(PictureUrl);
    JournalLines lines(Journal::JournalPath(programFolder), Journal::LineCheckpointPath(programFolder));
    Rows rows;
    std::array<QByteArray, SlotCount> values;
    std::array<QByteArrayView, FieldCount + 1> fields;
    QByteArrayView line;
    int shown = 0;
    for (qsizetype n = lines.count(); lines.previous(line); --n) {
        if (!splitFields(line, fields))
            continue;
        if (rowLimit > 0 && shown >= rowLimit) {
            rows.cut = true;
            break;
        }
        values[PictureUrl] = needsPicture ? pictureUrl(pictures, fields[0]) : QByteArray();
        values[FileName] = fileName(fields[0]);
        values[ImageLink] = escaped(fields[1]);
        values[PreviewLink] = escaped(fields[2]);
        values[Date] = escaped(fields[3]);
        values[Time] = escaped(fields[4]);
        values[Number] = QByteArray::number(n);
        values[DeletionLink] = deletionLine(fields[DeletionField]);
        rows.text += "\r\n\r\n";
        row.appendTo(rows.text, values);
        ++shown;
    }
    return rows;
}

// Writes the body with each marker replaced, the rows straight from their buffer, then CR LF.
bool writePage(QFileDevice& file, QByteArrayView body, const QByteArray& rows, const QByteArray& note)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype table = body.indexOf(TableMarker, from);
        const qsizetype noteAt = body.indexOf(NoteMarker, from);
        const bool tableFirst = table >= 0 && (noteAt < 0 || table < noteAt);
        const qsizetype at = tableFirst ? table : noteAt;
        if (at < 0)
            break;
        if (file.write(body.data() + from, at - from) < 0 || file.write(tableFirst ? rows : note) < 0)
            return false;
        from = at + (tableFirst ? TableMarker : NoteMarker).size();
    }
    return file.write(body.data() + from, body.size() - from) >= 0 && file.write("\r\n", 2) == 2;
}

// Writes the page beside its old copy and renames it over it, so a reader never sees half a page. The page
// is rebuilt from the journal every time, so it is not synced to the disk (QSaveFile would wait for that).
bool replaceFile(const QString& pagePath, QByteArrayView body, const QByteArray& rows, const QByteArray& note)
{
    QTemporaryFile file(pagePath + QStringLiteral(".XXXXXX"));
    if (!file.open() || !writePage(file, body, rows, note) || !file.flush())
        return false;
    // Removing the old page first keeps the file system from writing the new one out to the disk at once,
    // as ext4 does for a file renamed over another.
    QFile::remove(pagePath);
    const bool renamed
        = std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(pagePath).constData()) == 0;
    file.setAutoRemove(!renamed);
    return renamed;
}

} // namespace

namespace Journal
{

PageResult BuildJournalPage(const QString& programFolder, int rowLimit)
{
    const QString templateFolder = TemplateFolder(programFolder);
    const QString bodyPath = QDir(templateFolder).filePath(QStringLiteral("body.htm"));
    const QString tablePath = QDir(templateFolder).filePath(QStringLiteral("table.htm"));
    QByteArray body;
    if (!readTemplate(bodyPath, body))
        return { PageResult::Status::TemplateMissing, bodyPath };
    QByteArray rowText;
    if (!readTemplate(tablePath, rowText))
        return { PageResult::Status::TemplateMissing, tablePath };

    const Rows rows = buildRows(programFolder, RowTemplate(rowText), rowLimit);
    const QByteArray note = rows.cut
        ? QStringLiteral("Показаны только последние записи журнала (не больше %1), как задано в настройках.")
              .arg(rowLimit)
              .toLocal8Bit()
        : QByteArray();

    const QString pagePath = PagePath(programFolder);
    if (!replaceFile(pagePath, body, rows.text, note))
        return { PageResult::Status::WriteFailed, pagePath };
    return { PageResult::Status::Written, pagePath };
}

} // namespace Journal
