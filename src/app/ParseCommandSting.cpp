#include "ParseCommandSting.h"

#include "platform/ui/MessageBox.h"
#include "settings/Ini.h"

#include <QDir>
#include <QFileInfo>

#include <limits>

namespace
{

const QString LineEnd = QStringLiteral("\r\n");

// A name quoted into a problem line: a line break or other control character in a file or service name
// would split the list, so each one shows as "?", the way a terminal lists such names.
QString shownName(QString name)
{
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'?';
    }
    return name;
}

bool fileExists(const QString& path, const ParseCommandSting::ProgramFacts& facts)
{
    if (facts.FileExists)
        return facts.FileExists(path);
    return QFileInfo(path).isFile();
}

} // namespace

namespace ParseCommandSting
{

ParseResult ParseCommandSting(const QString& text, const ProgramFacts& facts)
{
    ParseResult parse;
    CommandLineResults& results = parse.results;

    if (!facts.CommandLine) {
        results.CmdAccepted = false;
        return parse;
    }
    if (!text.startsWith(u'"'))
        return parse;

    const qsizetype closingQuote = text.indexOf(u'"', 1);
    QStringList tokens;
    if (closingQuote < 0) {
        // No closing quote: the whole rest is the path and there are no options.
        results.CmdFile = text.mid(1);
    } else {
        results.CmdFile = text.mid(1, closingQuote - 1);
        // The character after the closing quote, normally a space, is skipped unread.
        tokens = text.mid(closingQuote + 2).split(u' ');
    }

    if (!fileExists(results.CmdFile, facts))
        parse.errors
            += QStringLiteral("- Файл ") + shownName(results.CmdFile) + QStringLiteral(" не найден.") + LineEnd;

    for (const QString& token : std::as_const(tokens)) {
        const QStringView name = QStringView(token).left(2);
        const QString value = token.mid(3);
        if (name == u"-u") {
            results.CmdServer = value;
            if (!facts.ServerNames.contains(value)) {
                parse.errors += QStringLiteral("- Указанного сервера ") + shownName(value)
                    + QStringLiteral(" нет в списке.") + LineEnd;
                results.CmdServer.clear();
            }
        } else if (name == u"-c") {
            // The store's numeric rule, halves to even; numbers beyond 16 bits are reported as given.
            const qint64 number
                = IniText::ToInteger(value, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
            if (number < 1 || number > facts.OfferedLinkTypes) {
                parse.errors += QStringLiteral("- Указанного типа ссылки (") + QString::number(number)
                    + QStringLiteral(") нет в списке.") + LineEnd;
                results.CmdLinkType = -1;
            } else {
                results.CmdLinkType = static_cast<qint16>(number);
            }
        } else if (name == u"-e") {
            results.CmdExit = true;
        }
    }

    results.CmdAccepted = parse.errors.isEmpty() && !results.CmdServer.isEmpty();
    return parse;
}

QString ErrorMessageText(const QString& errors)
{
    return QStringLiteral("Ошибка синтаксиса командной строки:") + LineEnd + LineEnd + errors;
}

void ShowErrors(QWidget* parent, const QString& errors)
{
    if (errors.isEmpty())
        return;
    Platform::ShowMessage(parent, ErrorMessageText(errors), QStringLiteral("Ошибка"), Platform::MessageIcon::Error);
}

QString CommandLineText(const QStringList& arguments, const QString& currentFolder)
{
    if (arguments.isEmpty())
        return {};
    QString picture = arguments.first();
    if (!currentFolder.isEmpty() && !picture.isEmpty() && QDir::isRelativePath(picture))
        picture = QDir::cleanPath(QDir(currentFolder).absoluteFilePath(picture));
    QString text = u'"' + picture + u'"';
    for (qsizetype i = 1; i < arguments.size(); ++i)
        text += u' ' + arguments.at(i);
    return text;
}

QString StripQuotes(const QString& text)
{
    if (!text.startsWith(u'"') || !text.endsWith(u'"'))
        return text;
    QString stripped = text;
    stripped.remove(u'"');
    return stripped;
}

} // namespace ParseCommandSting
