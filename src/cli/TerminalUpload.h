#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The program run from a terminal (see TerminalCommand): uploads one picture through the same program
// folder as the window (settings, proxy, cookies, link types, journal), writes the link to out and the
// progress and messages to err, and gives the exit status. Needs a QCoreApplication and nothing more.
//
// It runs beside a window of the same program folder: it takes no single-instance lock, leaves the
// scratch folder tmp/ and the temporary files of the window's atomic writes alone, and its own writes
// (the journal record in one appending write, the cookie, the last service) replace files atomically.
namespace TerminalUpload
{

int Run(const QString& programFolder, const QStringList& arguments, const QString& currentFolder, QTextStream& out,
    QTextStream& err);

} // namespace TerminalUpload
