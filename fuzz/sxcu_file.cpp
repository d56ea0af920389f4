// The custom-uploader file reader and the import's search for blanks: any bytes. A file is either usable,
// with an http or https address and a body that can carry a picture, or says why not, naming the file.
#include "FuzzSupport.h"

#include "engine/SxcuFile.h"
#include "engine/SxcuImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString name = QStringLiteral("fuzz.sxcu");
    const SxcuFile file = SxcuFile::Parse(bytes, name);
    Fuzz::Check(file.FileName == name, "the file keeps its name");
    if (file.isUsable()) {
        Fuzz::Check(file.RequestURL.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
                || file.RequestURL.startsWith(QLatin1String("https://"), Qt::CaseInsensitive),
            "a usable file has a web address", file.RequestURL.toUtf8());
        Fuzz::Check(!file.Name.isEmpty(), "a usable file has a name");
        Fuzz::Check(file.Body == SxcuFile::BodyKind::MultipartFormData || file.Body == SxcuFile::BodyKind::Binary,
            "a usable file's body carries the picture");
        Fuzz::Check(file.Body != SxcuFile::BodyKind::MultipartFormData || !file.FileFormName.trimmed().isEmpty(),
            "a multipart body names the file's part");
    } else {
        Fuzz::Check(file.Problem.contains(name), "the problem names the file", file.Problem.toUtf8());
    }

    for (const SxcuImport::Blank& blank : SxcuImport::FindBlanks(bytes)) {
        Fuzz::Check(
            blank.placeholder.isEmpty() || (blank.placeholder.startsWith(u'<') && blank.placeholder.endsWith(u'>')),
            "a placeholder is text in angle brackets", blank.placeholder.toUtf8());
        Fuzz::Check(!blank.field.isEmpty(), "a blank names its field");
    }
    return 0;
}
