// The profile-file reader and writer: any file content, any names and values. A value written under a
// storable section and key is read back as written (up to its line break, trimmed, cut to the limit),
// and the write leaves every other key as it was; a write refused for its names leaves the file alone.
#include "FuzzSupport.h"

#include "platform/ProfileFile.h"

#include <QDir>

namespace
{

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // section, key, value, another section, another key, then the file's content
    const QList<QByteArray> fields = Fuzz::Fields(data, size, 6);
    const QByteArray& section = fields[0];
    const QByteArray& key = fields[1];
    const QByteArray& value = fields[2];
    const QByteArray& otherSection = fields[3];
    const QByteArray& otherKey = fields[4];

    const QString path = QDir(Fuzz::CleanFolder()).filePath(QStringLiteral("settings.ini"));
    Fuzz::WriteFile(path, fields[5]);

    const QByteArray before = ProfileFile::ReadValue(path, section, key);
    Fuzz::Check(before.size() <= ProfileFile::MaxValueBytes, "a read returns at most the limit", before);
    Fuzz::Check(ProfileFile::CutUtf8(before, ProfileFile::MaxValueBytes) == before, "a read value is already cut");
    const QByteArray otherBefore = ProfileFile::ReadValue(path, otherSection, otherKey);

    if (!ProfileFile::WriteValue(path, section, key, value)) {
        // Only names that would break the file are refused, and then nothing is written.
        Fuzz::Check(!Fuzz::StorableName(section) || !Fuzz::StorableName(key), "a write of storable names succeeds",
            section + "/" + key);
        Fuzz::Check(Fuzz::ReadFile(path) == fields[5], "a refused write leaves the file as it was");
        return 0;
    }
    const QByteArray written = Fuzz::ReadFile(path);
    Fuzz::Check(written.endsWith("\r\n"), "a written file ends its last line", written.right(64));

    if (!Fuzz::StorableName(section) || !Fuzz::StorableName(key))
        return 0;
    const QByteArray after = ProfileFile::ReadValue(path, section, key);
    Fuzz::Check(after == Fuzz::StoredValue(value), "a value written is read back", value + " -> " + after);

    const bool sameEntry = sameName(section, otherSection) && sameName(key, otherKey);
    if (!sameEntry && Fuzz::StorableName(otherSection) && Fuzz::StorableName(otherKey)) {
        Fuzz::Check(ProfileFile::ReadValue(path, otherSection, otherKey) == otherBefore, "a write keeps the other keys",
            otherSection + "/" + otherKey);
    }

    // Writing the same value again changes nothing.
    Fuzz::Check(ProfileFile::WriteValue(path, section, key, value), "a second write succeeds");
    Fuzz::Check(Fuzz::ReadFile(path) == written, "a repeated write leaves the file as it was");
    return 0;
}
