#pragma once

#include <QString>

namespace Journal
{

struct PageResult {
    enum class Status { Written, TemplateMissing, WriteFailed };
    Status status = Status::Written;
    QString path; // the page, the missing template or the page that could not be written
};

// Builds journal/journal.htm from journal.txt: one row of journal/table.htm per record, newest first,
// put in place of the marker "<!--INSERT_TABLE -->" of journal/body.htm. The values put into a row are
// HTML-escaped; FILEPATH becomes a file URL of the picture (the record's file, journal/clipboard.gif for
// a clipboard picture, journal/nofile.gif when the file is gone), FILENAME the name of the uploaded file
// ("Буфер обмена" for a clipboard picture). DELLINK becomes a labelled line with the record's deletion link
// (its sixth field; a link only for an http or https address), or nothing for a record without one. Lines
// with fewer than five fields are skipped; record numbers
// follow the line numbers. rowLimit > 0 keeps the newest rowLimit records on the page (journal.txt is never
// cut); 0 shows all. The marker "<!--INSERT_NOTE -->" of body.htm becomes a sentence saying that older
// records are left out when the limit leaves some out, else nothing. A missing template writes no page.
PageResult BuildJournalPage(const QString& programFolder, int rowLimit = 0);

} // namespace Journal
