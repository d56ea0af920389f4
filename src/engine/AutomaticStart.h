#pragma once

#include <QString>
#include <QStringList>

// The automatic start that the start-up timer runs once when the program was started with an image
// or with an accepted command line: the window opens the image given here, selects the service given
// here and, for an accepted command line, calls UploadEngine::StartUpload.
namespace AutomaticStart
{

// CurrentImagePath for the automatic start: the kept command-line text, or CmdFile when the command line
// was accepted; a text that begins and ends with a double quote loses all its double quotes.
QString ImagePath(const QString& commandLineText, bool cmdAccepted, const QString& cmdFile);

// The position in the server list whose text equals cmdServer exactly, or currentIndex when none does.
int ServerIndex(const QStringList& servers, const QString& cmdServer, int currentIndex);

} // namespace AutomaticStart
