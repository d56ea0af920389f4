#pragma once

#include <QString>

class QTextStream;

// `pictoferry --import FILE.sxcu`: takes a custom-uploader file in as a service of the program folder.
// The values its author left blank and the consent to replace a service of the same name are asked on
// err and read from in, one line each; when in is no terminal (interactive false) nothing is asked and
// an import that needs an answer fails, saying so.
namespace TerminalImport
{

// The exit status: Success, or UploadFailed when the file was not taken in.
int Run(const QString& programFolder, const QString& path, QTextStream& in, bool interactive, QTextStream& err);

} // namespace TerminalImport
