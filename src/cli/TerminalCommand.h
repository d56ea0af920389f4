#pragma once

#include <QString>
#include <QStringList>

// The command line of the program run from a terminal, without a window:
//   pictoferry --cli IMAGE -u=SERVICE [-c=N]
//   pictoferry --import FILE.sxcu
//   pictoferry --help | --version
// The words begin with two dashes, which the window's command line (a picture path, then "-u=", "-c=",
// "-e") never does, so the two cannot be confused; a picture whose name begins with "--" is given as
// "./--name".
namespace TerminalCommand
{

enum class Mode { Window, Help, Version, Upload, Import };

// The exit statuses of the terminal mode.
enum ExitStatus : int { Success = 0, BadCommandLine = 2, UploadFailed = 3, TimedOut = 4 };

struct Request {
    QString ImagePath; // absolute
    QString Service;
    int LinkType = 0; // counted from 1 over the offered link types; 0: the direct link
    QString ImportPath; // absolute; the custom-uploader file of --import
};

struct Parse {
    Mode mode = Mode::Window;
    Request request;
    // The problems, one a line, in Russian; empty when the command line is good.
    QStringList errors;
};

// What the check of a command line needs to know about the program folder.
struct Facts {
    QStringList Services;
    int OfferedLinkTypes = 0;
};

// Whether the arguments after the program's name ask for the terminal mode (its first is one of its words).
Mode ModeOf(const QStringList& arguments);

// Parses the arguments after the program's name; relative picture paths are taken against currentFolder.
Parse ParseArguments(const QStringList& arguments, const QString& currentFolder, const Facts& facts);

QString HelpText();
QString VersionText();

} // namespace TerminalCommand
