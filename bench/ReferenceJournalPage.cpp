#include "ReferenceJournalPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QUrl>

#include <array>
#include <optional>
#include <vector>

namespace
{

const QString ClipboardSource = QStringLiteral("Clipboard");

struct Record {
    QString source;
    QString imageLink;
    QString previewLink;
    QString date;
    QString time;
    QString deletionLink;
};

QString htmlEscaped(const QString& value)
{
    return value.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

std::vector<std::optional<Record>> readRecords(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    std::vector<std::optional<Record>> records;
    records.reserve(static_cast<std::size_t>(lines.size()));
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QStringList fields = QString::fromLocal8Bit(line).split(QLatin1Char('\t'));
        if (fields.size() < 5) {
            records.emplace_back();
            continue;
        }
        records.emplace_back(Record { fields[0], fields[1], fields[2], fields[3], fields[4], fields.value(5) });
    }
    return records;
}

using Values = std::array<std::pair<QString, QString>, 8>;

// One scan of the template; at a letter that starts a placeholder the placeholders are compared there.
QString fillRow(const QString& rowTemplate, const Values& values)
{
    QString row;
    row.reserve(rowTemplate.size() * 2);
    const QStringView view(rowTemplate);
    qsizetype i = 0;
    while (i < view.size()) {
        const QChar c = view[i];
        bool replaced = false;
        if (c == u'F' || c == u'I' || c == u'T' || c == u'D' || c == u'N') {
            for (const auto& [placeholder, value] : values) {
                if (placeholder.front() == c && view.sliced(i).startsWith(placeholder)) {
                    row += value;
                    i += placeholder.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            row += c;
            ++i;
        }
    }
    return row;
}

QString picturePath(const QString& templateFolder, const QString& source)
{
    const QString candidate
        = source == ClipboardSource ? QDir(templateFolder).filePath(QStringLiteral("clipboard.gif")) : source;
    const QFileInfo info(candidate);
    if (info.isAbsolute() && info.isFile())
        return candidate;
    return QDir(templateFolder).filePath(QStringLiteral("nofile.gif"));
}

// A labelled line with the deletion link, clickable only for a web address; nothing without a link.
QString deletionLine(const QString& link)
{
    if (link.isEmpty())
        return {};
    bool web = false;
    for (const QLatin1String scheme : { QLatin1String("http://"), QLatin1String("https://") })
        web = web || (link.size() > scheme.size() && link.startsWith(scheme, Qt::CaseInsensitive));
    const QString text = htmlEscaped(link);
    return QStringLiteral("<div><span class=\"label\">удаление</span>")
        + (web ? QStringLiteral("<a href=\"%1\" target=\"_blank\">%1</a>").arg(text) : text) + QStringLiteral("</div>");
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

} // namespace

bool BuildReferenceJournalPage(const QString& programFolder)
{
    const QString templateFolder = QDir(programFolder).filePath(QStringLiteral("journal"));
    QString body = readText(QDir(templateFolder).filePath(QStringLiteral("body.htm")));
    const QString rowTemplate = readText(QDir(templateFolder).filePath(QStringLiteral("table.htm")));
    const auto records = readRecords(QDir(programFolder).filePath(QStringLiteral("journal.txt")));

    QString rows;
    for (std::size_t n = records.size(); n >= 1; --n) {
        const std::optional<Record>& record = records[n - 1];
        if (!record)
            continue;
        const QString picture
            = QUrl::fromLocalFile(picturePath(templateFolder, record->source)).toString(QUrl::FullyEncoded);
        const QString name
            = record->source == ClipboardSource ? QStringLiteral("Буфер обмена") : QFileInfo(record->source).fileName();
        const Values values { {
            { QStringLiteral("FILEPATH"), htmlEscaped(picture) },
            { QStringLiteral("FILENAME"), htmlEscaped(name) },
            { QStringLiteral("IMGLINK"), htmlEscaped(record->imageLink) },
            { QStringLiteral("THLINK"), htmlEscaped(record->previewLink) },
            { QStringLiteral("DATE"), htmlEscaped(record->date) },
            { QStringLiteral("TIME"), htmlEscaped(record->time) },
            { QStringLiteral("NUMBER"), QString::number(n) },
            { QStringLiteral("DELLINK"), deletionLine(record->deletionLink) },
        } };
        rows += QStringLiteral("\r\n\r\n");
        rows += fillRow(rowTemplate, values);
    }
    const QString page = body.replace(QStringLiteral("<!--INSERT_TABLE -->"), rows)
                             .replace(QStringLiteral("<!--INSERT_NOTE -->"), QString())
        + QStringLiteral("\r\n");
    QSaveFile file(QDir(templateFolder).filePath(QStringLiteral("journal.htm")));
    return file.open(QIODevice::WriteOnly) && file.write(page.toLocal8Bit()) >= 0 && file.commit();
}
