#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The members of JSON objects as the document's text writes them. QJsonObject keeps its members sorted by
// name; where the order of the text counts (the fields, headers and query of a custom-uploader file), it is
// read from the text here. The text is expected to be one that QJsonDocument::fromJson accepts; anything
// else yields what could be read before it went wrong, never more than the text holds.
namespace JsonMembers
{

// One member: its name (escapes resolved) and where its value stands in the text.
struct Member {
    QString name;
    qsizetype valueBegin = 0;
    qsizetype valueEnd = 0; // one past the value's last byte
};

// The members of the document's top-level object, or of the object whose "{" stands at objectAt, in the
// order of the text and with a name that occurs more than once listed each time.
QList<Member> Read(const QByteArray& json, qsizetype objectAt = -1);

// The names of the object that is the value of the top-level member `member` (its name exactly as the text
// writes it, escapes resolved), each once, in the order of their first appearance. As JSON readers keep the
// last of members with the same name, the last such top-level member is the one read.
QStringList NameOrder(const QByteArray& json, const QString& member);

// The text with one string value replaced, everything else kept byte for byte: the value of `name` in the
// object that is the value of the top-level member `member`, or of the top-level member `name` itself when
// `member` is empty. Of members with the same name the last one is replaced, the one JSON readers keep.
// The text unchanged when there is no such member.
QByteArray ReplaceValue(const QByteArray& json, const QString& member, const QString& name, const QString& value);

} // namespace JsonMembers
