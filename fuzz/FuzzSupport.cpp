#include "FuzzSupport.h"

#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace Fuzz
{

QList<QByteArray> Fields(const uint8_t* data, size_t size, int count)
{
    QList<QByteArray> fields;
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qsizetype from = 0;
    while (fields.size() < count - 1) {
        const qsizetype nul = input.indexOf('\0', from);
        if (nul < 0)
            break;
        fields.append(input.mid(from, nul - from));
        from = nul + 1;
    }
    fields.append(input.mid(from));
    while (fields.size() < count)
        fields.append(QByteArray());
    return fields;
}

QString CleanFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/pictoferry-fuzz-XXXXXX"));
    if (!folder.isValid())
        Fail("the temporary folder cannot be created");
    QDir dir(folder.path());
    const QFileInfoList entries
        = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const bool removed = entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                                 : QFile::remove(entry.filePath());
        if (!removed)
            Fail("the temporary folder cannot be emptied", entry.filePath().toLocal8Bit());
    }
    return folder.path();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail("cannot write a file of the fuzz target", path.toLocal8Bit());
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void Fail(const char* what, const QByteArray& detail)
{
    std::fprintf(stderr, "\n== broken invariant: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "== detail: %s\n", detail.toPercentEncoding(" /:=;[]{}<>\"'*,.-_").constData());
    std::fflush(stderr);
    std::abort();
}

bool Strict()
{
    static const bool strict = qEnvironmentVariableIntValue("PICTOFERRY_FUZZ_STRICT") != 0;
    return strict;
}

QByteArray StoredValue(const QByteArray& written)
{
    qsizetype end = written.size();
    for (const char lineBreak : { '\r', '\n' }) {
        const qsizetype at = written.indexOf(lineBreak);
        if (at >= 0 && at < end)
            end = at;
    }
    QByteArray value = written.left(end).trimmed();
    // A value in a pair of quotes reads back without them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return ProfileFile::CutUtf8(value, ProfileFile::MaxValueBytes);
}

bool StorableName(const QByteArray& name)
{
    if (name.isEmpty() || name.trimmed() != name || name.startsWith(';'))
        return false;
    for (const char c : name) {
        if (c == '\r' || c == '\n' || c == '=' || c == '[' || c == ']')
            return false;
    }
    return true;
}

} // namespace Fuzz
