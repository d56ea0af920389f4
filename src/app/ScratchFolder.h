#pragma once

#include <QString>

// The program's scratch folder "tmp" for clipboard pictures and converted files.
namespace ScratchFolder
{

QString Path(const QString& programFolder);

// Creates the folder when missing and deletes the files in it. Sub-folders and read-only files stay;
// a file that cannot be deleted is skipped silently.
void Prepare(const QString& folder);
void Empty(const QString& folder);

} // namespace ScratchFolder
