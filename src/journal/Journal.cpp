#include "Journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace
{

const QString ClipboardSource = QStringLiteral("Clipboard");
const QString Title = QStringLiteral("Журнал");

Journal::Launcher& launcherHook()
{
    static Journal::Launcher hook;
    return hook;
}

QString withoutTrailingSlash(const QString& folder)
{
    QString result = QDir::fromNativeSeparators(folder);
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

// A field must stay on its line and between its two TABs, and the file must stay text.
QString fieldText(QString value)
{
    for (QChar& c : value) {
        if (c == u'\t' || c == u'\r' || c == u'\n' || c == u'\0')
            c = u' ';
    }
    return value;
}

// What must precede a new record so that it starts on a line of its own: a journal cut inside a record
// (a crash during an append) gets its line ended, so the half record stays one line of its own.
QByteArray lineEndBefore(QFile& journal)
{
    const qint64 size = journal.size();
    if (size <= 0 || !journal.seek(size - 1))
        return {};
    char last = 0;
    if (!journal.getChar(&last) || last == '\n')
        return {};
    return last == '\r' ? QByteArray("\n") : QByteArray("\r\n");
}

bool launch(const QString& program, const QStringList& arguments)
{
    if (launcherHook())
        return launcherHook()(program, arguments);
    return QProcess::startDetached(program, arguments);
}

} // namespace

namespace Journal
{

QString JournalPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("journal.txt"));
}

QString TemplateFolder(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("journal"));
}

QString PagePath(const QString& programFolder)
{
    return QDir(TemplateFolder(programFolder)).filePath(QStringLiteral("journal.htm"));
}

QString SourceFor(const QString& programFolder, const QString& currentImagePath)
{
    const QString tail = QStringLiteral("/tmp/tmp.");
    if (currentImagePath.contains(withoutTrailingSlash(programFolder) + tail)
        || QDir::cleanPath(currentImagePath).contains(QDir::cleanPath(programFolder) + tail))
        return ClipboardSource;
    return currentImagePath;
}

QString DateText(const QDateTime& when)
{
    return QLocale::system().toString(when.date(), QLocale::ShortFormat);
}

QString TimeText(const QDateTime& when)
{
    // The long format may end in a time-zone name; the journal keeps the local clock time only.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat).remove(zone).trimmed();
    return QLocale::system().toString(when.time(), format);
}

bool AppendJournalRecord(const QString& programFolder, const QString& currentImagePath, const QString& imageLink,
    const QString& previewLink, const QDateTime& when, const QString& deletionLink)
{
    QStringList fields { fieldText(SourceFor(programFolder, currentImagePath)), fieldText(imageLink),
        fieldText(previewLink), fieldText(DateText(when)), fieldText(TimeText(when)) };
    if (!deletionLink.isEmpty())
        fields << fieldText(deletionLink);
    const QByteArray record = fields.join(QLatin1Char('\t')).toLocal8Bit() + "\r\n";

    QFile file(JournalPath(programFolder));
    // Unbuffered: the whole record goes to the file in one write call.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = lineEndBefore(file) + record;
    return file.write(bytes) == bytes.size();
}

int RowLimit(bool limitJournal, int journalRows)
{
    return limitJournal && journalRows > 0 ? journalRows : 0;
}

void SetLauncherHook(Launcher hook)
{
    launcherHook() = std::move(hook);
}

std::optional<Notice> OpenJournal(const QString& programFolder, bool limitJournal, int journalRows)
{
    if (!QFileInfo::exists(JournalPath(programFolder)))
        return Notice { QStringLiteral("В журнале закачек нет записей."), Title, false };

    const PageResult page = BuildJournalPage(programFolder, RowLimit(limitJournal, journalRows));
    switch (page.status) {
    case PageResult::Status::TemplateMissing:
        return Notice { QStringLiteral("Не найден шаблон страницы журнала:\r\n\r\n(") + page.path + u')', Title, true };
    case PageResult::Status::WriteFailed:
        return Notice { QStringLiteral("Не удалось записать страницу журнала:\r\n\r\n(") + page.path + u')', Title,
            true };
    case PageResult::Status::Written:
        break;
    }

    const QString browser = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (browser.isEmpty()) {
        return Notice { QStringLiteral("Не найден xdg-open!\r\n\r\n(xdg-open в PATH=")
                + QString::fromLocal8Bit(qgetenv("PATH")) + u')',
            QStringLiteral("Ошибка"), true };
    }
    if (!launch(browser, { page.path }))
        return Notice { QStringLiteral("Не удалось запустить браузер!\r\n\r\n(") + browser + u')',
            QStringLiteral("Ошибка"), true };
    return std::nullopt;
}

} // namespace Journal
