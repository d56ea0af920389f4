#include "LineCheckpoint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace
{

const QByteArray Magic = QByteArrayLiteral("pictoferry-journal-lines-1");
constexpr qsizetype HashedBytes = 4096;
constexpr qint64 MaxCheckpointBytes = 256;

// Where the count stands: LF bytes before offset, for the file and the bytes named by the rest.
struct Checkpoint {
    qulonglong offset = 0;
    qulonglong lineEnds = 0;
    qulonglong hash = 0;
    qulonglong device = 0;
    qulonglong inode = 0;

    bool operator==(const Checkpoint&) const = default;
};

// FNV-1a over the first and the last HashedBytes before the end of data (overlapping in a short file).
qulonglong hashOf(QByteArrayView data)
{
    qulonglong hash = 14695981039346656037ULL;
    const auto add = [&hash](QByteArrayView bytes) {
        for (const char c : bytes) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ULL;
        }
    };
    add(data.first(std::min(data.size(), HashedBytes)));
    add(data.last(std::min(data.size(), HashedBytes)));
    return hash;
}

QByteArray text(const Checkpoint& checkpoint)
{
    QByteArray out = Magic;
    for (const qulonglong value :
        { checkpoint.offset, checkpoint.lineEnds, checkpoint.hash, checkpoint.device, checkpoint.inode })
        out += ' ' + QByteArray::number(value);
    return out + '\n';
}

// The stored checkpoint; false when there is none or it is not one.
bool read(const QString& path, Checkpoint& checkpoint)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = file.read(MaxCheckpointBytes);
    if (!content.endsWith('\n'))
        return false;
    const QList<QByteArray> words = content.chopped(1).split(' ');
    if (words.size() != 6 || words[0] != Magic)
        return false;
    qulonglong* const values[]
        = { &checkpoint.offset, &checkpoint.lineEnds, &checkpoint.hash, &checkpoint.device, &checkpoint.inode };
    for (std::size_t k = 0; k < std::size(values); ++k) {
        bool ok = false;
        *values[k] = words[static_cast<qsizetype>(k) + 1].toULongLong(&ok);
        if (!ok)
            return false;
    }
    return checkpoint.lineEnds <= checkpoint.offset;
}

// Written beside the old one and renamed over it, so that a reader sees the old or the new checkpoint whole.
// Not synced: a checkpoint lost in a crash only costs one whole count.
void write(const QString& path, const Checkpoint& checkpoint)
{
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    const QByteArray bytes = text(checkpoint);
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return;
    const bool renamed
        = std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) == 0;
    file.setAutoRemove(!renamed);
}

qsizetype lineEndsIn(QByteArrayView data)
{
    return static_cast<qsizetype>(std::count(data.begin(), data.end(), '\n'));
}

} // namespace

namespace Journal
{

QString LineCheckpointPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("journal.lines"));
}

qsizetype CountLineEnds(const QString& checkpointPath, int handle, QByteArrayView data)
{
    struct stat info {
    };
    if (::fstat(handle, &info) != 0)
        return lineEndsIn(data);
    Checkpoint current { static_cast<qulonglong>(data.size()), 0, hashOf(data), static_cast<qulonglong>(info.st_dev),
        static_cast<qulonglong>(info.st_ino) };

    Checkpoint stored;
    const bool readable = read(checkpointPath, stored);
    const bool fits = readable && stored.device == current.device && stored.inode == current.inode
        && stored.offset <= current.offset
        && stored.hash
            == (stored.offset == current.offset ? current.hash
                                                : hashOf(data.first(static_cast<qsizetype>(stored.offset))));
    const qsizetype from = fits ? static_cast<qsizetype>(stored.offset) : 0;
    current.lineEnds = (fits ? stored.lineEnds : 0) + static_cast<qulonglong>(lineEndsIn(data.sliced(from)));
    if (!readable || stored != current)
        write(checkpointPath, current);
    return static_cast<qsizetype>(current.lineEnds);
}

} // namespace Journal
