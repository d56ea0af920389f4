#pragma once

#include <QList>
#include <QString>

class SxcuPrompter;

// Taking a custom-uploader file into the program's data folder as a service of its own: the file is
// checked, the values that its author left for the user to fill (placeholders such as "<API KEY HERE>" and
// empty keys or tokens) are asked for, and the file is written as data/<name>.sxcu.
namespace SxcuImport
{

// A value to fill: where it stands and the text to replace (empty for an empty value).
struct Blank {
    QString field; // "RequestURL", "Headers", "Parameters" or "Arguments"
    QString key; // the name within the field; empty for RequestURL
    QString placeholder; // "<API KEY HERE>", or empty when the whole value is missing
};

// The blanks of a file's JSON text in the order of its fields; none for text that is not a JSON object.
// Only the request's own values are looked at: reply values may hold "<tag>" text of XML or a pattern.
QList<Blank> FindBlanks(const QByteArray& json);

enum class Status {
    Imported, // written (or already there with the same content)
    Invalid, // not a file an upload can use, or no service name can be made of its name
    NotFilled, // a value was left empty when asked for
    Exists, // another service of that name is there; nothing asked, nothing written
    WriteFailed,
};

struct Result {
    Status status = Status::Invalid;
    QString server; // the service name (the file name without ".sxcu")
    QString message; // Russian, for every status but Imported
};

// Imports the file at sourcePath into programFolder/data. A different data/<name>.sxcu is replaced only
// with `replace`; a script of the same name is never shadowed. The file is written whole or not at all.
Result Import(const QString& programFolder, const QString& sourcePath, SxcuPrompter& prompter, bool replace = false);

} // namespace SxcuImport
