#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The command line of an unattended upload: a quoted image path, a space, then options separated by
// single spaces. An option is named by its first two characters and its value starts at its fourth:
// "-u=" the service as the server list names it, "-c=" the link type counted from 1 over the entries the
// link-type selector offers, "-e" end the program after a successful upload. Other tokens are ignored.
namespace ParseCommandSting
{

// The results of the parse; they stay in force for the rest of the run.
struct CommandLineResults {
    QString CmdFile;
    QString CmdServer;
    qint16 CmdLinkType = -1;
    bool CmdExit = false;
    bool CmdAccepted = false;
};

// What the parse needs to know about the program.
struct ProgramFacts {
    // The CommandLine setting: when it is off nothing is parsed.
    bool CommandLine = true;
    // The services as the server list shows them; "-u" must name one of them exactly.
    QStringList ServerNames;
    // The link types offered by the selector (its entries before "Редактировать список...").
    int OfferedLinkTypes = 0;
    // Whether a file exists at a path; empty means the real file system.
    std::function<bool(const QString&)> FileExists;
};

struct ParseResult {
    CommandLineResults results;
    // The problems found, in order (the file first, then the options as given), each line ending in
    // CR LF; empty when there are none.
    QString errors;
};

// Parses the command-line text (after the start-up's quote stripping). The results start from their
// values at the start of the process.
ParseResult ParseCommandSting(const QString& text, const ProgramFacts& facts);

// The text of the message box that lists the problems.
QString ErrorMessageText(const QString& errors);

// Shows the problems in one error message; nothing when there are none.
void ShowErrors(QWidget* parent, const QString& errors);

// The command-line text rebuilt from the process arguments that follow the program's own name: the
// first in double quotes, then every further one after one space; no argument gives empty text. With a
// currentFolder, a relative first argument (the picture) is made absolute against it, so that the
// picture is found and recorded by its full path whatever folder the program later works in.
QString CommandLineText(const QStringList& arguments, const QString& currentFolder = QString());

// A text that begins and ends with a double quote (a lone quoted path, as the file manager's menu entry
// passes it) loses every double quote; any other text is returned as it is.
QString StripQuotes(const QString& text);

} // namespace ParseCommandSting
