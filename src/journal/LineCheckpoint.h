#pragma once

#include <QByteArrayView>
#include <QString>

// The number of LF bytes in journal.txt, without reading the whole journal every time: journal.lines beside it
// keeps the count for an offset together with what identifies the bytes before it (the file's device and
// inode and a hash of the first and of the last 4 KiB before the offset). Records are only ever appended,
// so the count at the old end plus the LF bytes after it is the count of the whole file. A checkpoint that
// is missing, unreadable, of another file, beyond the file's end or of other bytes is passed over and the
// whole journal is counted; an in-place edit that changes the number of lines but leaves both hashed
// stretches the same cannot be told from an append.
namespace Journal
{

QString LineCheckpointPath(const QString& programFolder);

// The LF bytes in data, the whole content of the open journal file handle. The checkpoint is then moved to
// the end of data; a checkpoint that cannot be written is simply not kept.
qsizetype CountLineEnds(const QString& checkpointPath, int handle, QByteArrayView data);

} // namespace Journal
