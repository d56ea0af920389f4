#pragma once

#include "JournalPage.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The upload journal: journal.txt in the program folder holds one line per successful upload (source,
// image link, preview link, date and time, separated by TAB, ended by CR LF; an upload that gave a deletion
// link adds it as a sixth field, which readers of the five fields pass over); the journal page is built
// from the templates in the program's journal folder and shown in the desktop's browser.
namespace Journal
{

QString JournalPath(const QString& programFolder);
QString TemplateFolder(const QString& programFolder);
QString PagePath(const QString& programFolder);

// The source field for an image: "Clipboard" for a clipboard picture (a path that holds
// "<program folder>/tmp/tmp."), otherwise the image path itself.
QString SourceFor(const QString& programFolder, const QString& currentImagePath);

// The date and time fields: the local date in the short format and the local time in the long format
// (without a time zone) of the system locale.
QString DateText(const QDateTime& when);
QString TimeText(const QDateTime& when);

// Appends one record in a single write. TAB, CR and LF inside a field would break the record apart and a
// NUL byte would make the file binary: each is replaced by a space. A journal that does not end with a line
// end (a record cut short by a crash) gets one first, so the next record never merges into the broken one.
// The deletion link, when there is one, becomes the sixth field. Returns false when the journal cannot be written.
bool AppendJournalRecord(const QString& programFolder, const QString& currentImagePath, const QString& imageLink,
    const QString& previewLink, const QDateTime& when = QDateTime::currentDateTime(),
    const QString& deletionLink = QString());

// The page's row limit for the settings LimitJournal and JournalRows: JournalRows when limited, else 0.
int RowLimit(bool limitJournal, int journalRows);

// Starts a program detached; returns whether it started. Tests replace it.
using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;
void SetLauncherHook(Launcher hook);

// What the journal button has to tell the user.
struct Notice {
    QString text;
    QString title;
    bool error = false; // an error, else an information
};

// The journal button: without journal.txt the information "В журнале закачек нет записей.";
// otherwise builds the page and opens it with xdg-open found on PATH. A missing template, a page that
// cannot be written and a missing or failing xdg-open are errors. Nothing to tell when the page opened.
std::optional<Notice> OpenJournal(const QString& programFolder, bool limitJournal, int journalRows);

} // namespace Journal
