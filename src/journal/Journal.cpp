#include "Journal.h"

#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <array>

namespace
{

const QString ClipboardSource = QStringLiteral("Clipboard");
const QString TableMarker = QStringLiteral("<!--INSERT_TABLE -->");
const QString Title = QStringLiteral("Журнал");
constexpr int FieldCount = 5;

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

QString htmlEscaped(const QString& value)
{
    return value.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

struct Record {
    QString source;
    QString imageLink;
    QString previewLink;
    QString date;
    QString time;
};

// Lines of journal.txt; a line that lacks a field stays in the list as an empty optional so that the
// record numbers keep following the line numbers.
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
        if (fields.size() < FieldCount) {
            records.emplace_back();
            continue;
        }
        records.emplace_back(Record { fields[0], fields[1], fields[2], fields[3], fields[4] });
    }
    return records;
}

bool readTemplate(const QString& path, QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    text = QString::fromLocal8Bit(file.readAll());
    return true;
}

// The row template with its placeholders replaced by the values. The template is scanned once, so text
// that a value brings in (a file named "UPDATE.jpg", a link holding "NUMBER") is never taken for a
// placeholder itself.
QString fillRow(const QString& rowTemplate, const std::array<std::pair<QString, QString>, 6>& values)
{
    QString row;
    row.reserve(rowTemplate.size() * 2);
    const QStringView view(rowTemplate);
    qsizetype i = 0;
    while (i < view.size()) {
        bool replaced = false;
        for (const auto& [placeholder, value] : values) {
            if (view.sliced(i).startsWith(placeholder)) {
                row += value;
                i += placeholder.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            row += view[i];
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
    const QString& previewLink, const QDateTime& when)
{
    const QStringList fields { fieldText(SourceFor(programFolder, currentImagePath)), fieldText(imageLink),
        fieldText(previewLink), fieldText(DateText(when)), fieldText(TimeText(when)) };
    const QByteArray record = fields.join(QLatin1Char('\t')).toLocal8Bit() + "\r\n";

    QFile file(JournalPath(programFolder));
    // Unbuffered: the whole record goes to the file in one write call.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const bool written = file.write(record) == record.size();
    return written;
}

int RowLimit(bool limitJournal, int journalRows)
{
    return limitJournal && journalRows > 0 ? journalRows : 0;
}

PageResult BuildJournalPage(const QString& programFolder, int rowLimit)
{
    const QString templateFolder = TemplateFolder(programFolder);
    const QString bodyPath = QDir(templateFolder).filePath(QStringLiteral("body.htm"));
    const QString tablePath = QDir(templateFolder).filePath(QStringLiteral("table.htm"));
    QString body;
    if (!readTemplate(bodyPath, body))
        return { PageResult::Status::TemplateMissing, bodyPath };
    QString rowTemplate;
    if (!readTemplate(tablePath, rowTemplate))
        return { PageResult::Status::TemplateMissing, tablePath };

    const std::vector<std::optional<Record>> records = readRecords(JournalPath(programFolder));
    QString rows;
    int shown = 0;
    for (std::size_t n = records.size(); n >= 1; --n) {
        if (rowLimit > 0 && shown >= rowLimit)
            break;
        const std::optional<Record>& record = records[n - 1];
        if (!record)
            continue;
        const QString picture
            = QUrl::fromLocalFile(picturePath(templateFolder, record->source)).toString(QUrl::FullyEncoded);
        const std::array<std::pair<QString, QString>, 6> values { {
            { QStringLiteral("FILEPATH"), htmlEscaped(picture) },
            { QStringLiteral("IMGLINK"), htmlEscaped(record->imageLink) },
            { QStringLiteral("THLINK"), htmlEscaped(record->previewLink) },
            { QStringLiteral("DATE"), htmlEscaped(record->date) },
            { QStringLiteral("TIME"), htmlEscaped(record->time) },
            { QStringLiteral("NUMBER"), QString::number(n) },
        } };
        rows += QStringLiteral("\r\n\r\n");
        rows += fillRow(rowTemplate, values);
        ++shown;
    }

    const QString page = body.replace(TableMarker, rows) + QStringLiteral("\r\n");
    const QString pagePath = PagePath(programFolder);
    QSaveFile file(pagePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(page.toLocal8Bit()) < 0 || !file.commit())
        return { PageResult::Status::WriteFailed, pagePath };
    return { PageResult::Status::Written, pagePath };
}

void SetLauncherHook(Launcher hook)
{
    launcherHook() = std::move(hook);
}

void ShowJournal(QWidget* parent, const QString& programFolder, bool limitJournal, int journalRows)
{
    using Platform::MessageIcon;
    if (!QFileInfo::exists(JournalPath(programFolder))) {
        Platform::ShowMessage(
            parent, QStringLiteral("В журнале закачек нет записей."), Title, MessageIcon::Information);
        return;
    }

    const PageResult page = BuildJournalPage(programFolder, RowLimit(limitJournal, journalRows));
    switch (page.status) {
    case PageResult::Status::TemplateMissing:
        Platform::ShowMessage(parent, QStringLiteral("Не найден шаблон страницы журнала:\r\n\r\n(") + page.path + u')',
            Title, MessageIcon::Error);
        return;
    case PageResult::Status::WriteFailed:
        Platform::ShowMessage(parent,
            QStringLiteral("Не удалось записать страницу журнала:\r\n\r\n(") + page.path + u')', Title,
            MessageIcon::Error);
        return;
    case PageResult::Status::Written:
        break;
    }

    const QString browser = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (browser.isEmpty()) {
        Platform::ShowMessage(parent,
            QStringLiteral("Не найден xdg-open!\r\n\r\n(xdg-open в PATH=") + QString::fromLocal8Bit(qgetenv("PATH"))
                + u')',
            QStringLiteral("Ошибка"), MessageIcon::Error);
        return;
    }
    if (!launch(browser, { page.path })) {
        Platform::ShowMessage(parent, QStringLiteral("Не удалось запустить браузер!\r\n\r\n(") + browser + u')',
            QStringLiteral("Ошибка"), MessageIcon::Error);
    }
}

} // namespace Journal
