#include "ScratchFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ScratchFolder
{

QString Path(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("tmp"));
}

void Prepare(const QString& folder)
{
    QDir().mkpath(folder);
    Empty(folder);
}

void Empty(const QString& folder)
{
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        // A read-only file is one without its owner's write permission; isWritable() would ask whether
        // this user may write it, which is always so for root.
        if (file.permissions().testFlag(QFileDevice::WriteOwner))
            QFile::remove(file.filePath());
    }
}

} // namespace ScratchFolder
