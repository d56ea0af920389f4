// The journal: any earlier journal.txt, any record fields and any row template. The record is appended
// as one line of five fields, and the page is written and shows the newest record first.
#include "FuzzSupport.h"

#include "journal/Journal.h"

#include <QDir>

namespace
{

QString oneLine(QString field)
{
    for (QChar& c : field) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // settings byte, picture path, image link, preview link, row template, then the earlier journal.txt
    const QList<QByteArray> fields = Fuzz::Fields(data, size, 6);
    const int rowLimit = fields[0].isEmpty() ? 0 : fields[0][0] & 7;
    const QString picture = QString::fromUtf8(fields[1]);
    const QString imageLink = QString::fromUtf8(fields[2]);
    const QString previewLink = QString::fromUtf8(fields[3]);
    const QByteArray& earlier = fields[5];

    const QString folder = Fuzz::CleanFolder();
    const QDir templates(Journal::TemplateFolder(folder));
    Fuzz::Check(QDir().mkpath(templates.path()), "the template folder is made");
    Fuzz::WriteFile(templates.filePath(QStringLiteral("body.htm")),
        Fuzz::ReadFile(QStringLiteral(PICTOFERRY_SOURCE_DIR "/journal/body.htm")));
    Fuzz::WriteFile(templates.filePath(QStringLiteral("table.htm")), fields[4]);
    if (!earlier.isEmpty())
        Fuzz::WriteFile(Journal::JournalPath(folder), earlier);

    const QDateTime when(QDate(2024, 2, 29), QTime(23, 59, 58));
    Fuzz::Check(Journal::AppendJournalRecord(folder, picture, imageLink, previewLink, when), "the record is written");
    const QByteArray journal = Fuzz::ReadFile(Journal::JournalPath(folder));
    // A journal whose last record was cut short gets the line end it lacks before the new record.
    const QByteArray lineEnd = earlier.isEmpty() || earlier.endsWith('\n')
        ? QByteArray()
        : QByteArray(earlier.endsWith('\r') ? "\n" : "\r\n");
    Fuzz::Check(journal.startsWith(earlier + lineEnd), "the earlier records stay as they were, a cut one ended");
    const QByteArray record = journal.mid(earlier.size() + lineEnd.size());
    Fuzz::Check(record.endsWith("\r\n") && record.count('\n') == 1 && record.count('\r') == 1, "the record is one line",
        record);
    const QStringList recordFields = QString::fromLocal8Bit(record.chopped(2)).split(u'\t');
    Fuzz::Check(recordFields.size() == 5, "the record has five fields", record);
    Fuzz::Check(
        recordFields[1] == oneLine(imageLink) && recordFields[2] == oneLine(previewLink), "the links are kept", record);

    const Journal::PageResult page = Journal::BuildJournalPage(folder, rowLimit);
    Fuzz::Check(page.status == Journal::PageResult::Status::Written, "the page is written");
    const QString html = QString::fromLocal8Bit(Fuzz::ReadFile(page.path));
    // The newest record stands on a line of its own, so it is on the page.
    if (fields[4].contains("IMGLINK")) {
        const QString shown = oneLine(imageLink).toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;"));
        Fuzz::Check(html.contains(shown), "the newest record is shown", shown.toUtf8());
    }
    return 0;
}
