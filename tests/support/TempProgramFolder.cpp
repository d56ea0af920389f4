#include "TempProgramFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace
{

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(source, target);
    }
}

} // namespace

TempProgramFolder::TempProgramFolder() = default;

QString TempProgramFolder::sourcePath(const QString& relative)
{
    return QStringLiteral(PICTOFERRY_SOURCE_DIR) + QLatin1Char('/') + relative;
}

void TempProgramFolder::copyShippedData() const
{
    copyFolder(sourcePath(QStringLiteral("data")), filePath(QStringLiteral("data")));
}

void TempProgramFolder::copyShippedJournalTemplates() const
{
    copyFolder(sourcePath(QStringLiteral("journal")), filePath(QStringLiteral("journal")));
}

void TempProgramFolder::writeFile(const QString& relative, const QByteArray& content) const
{
    const QString target = filePath(relative);
    QDir().mkpath(QFileInfo(target).path());
    QFile file(target);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

QByteArray TempProgramFolder::readFile(const QString& relative) const
{
    QFile file(filePath(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint64 TempProgramFolder::inode(const QString& relative) const
{
    struct stat status {
    };
    return ::stat(QFile::encodeName(filePath(relative)).constData(), &status) == 0 ? status.st_ino : 0;
}
