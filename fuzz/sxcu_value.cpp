// The custom-uploader value evaluator against a reply: any value (current or old syntax) and any bytes
// received, read as an HTTP reply. Text without braces, backslashes and dollars is literal, an empty link
// value is the body trimmed, and a JSON string is found again unescaped.
#include "FuzzSupport.h"

#include "engine/HttpReply.h"
#include "engine/SxcuPrompter.h"
#include "engine/SxcuValue.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // value, regex list (one pattern per line), then the bytes received
    const QList<QByteArray> fields = Fuzz::Fields(data, size, 3);
    const QString value = QString::fromUtf8(fields[0]);
    const QStringList regexList = QString::fromUtf8(fields[1]).split(u'\n', Qt::SkipEmptyParts);
    const SxcuReply reply = HttpReply::Parse(fields[2]);
    Fuzz::Check(reply.body.size() <= fields[2].size(), "the body is part of what came");

    UnattendedSxcuPrompter prompter;
    const SxcuValue::Context context { &reply, QStringLiteral("picture.png"), &prompter };
    const QString result = SxcuValue::Evaluate(value, context);
    const QString converted = SxcuValue::ConvertOldSyntax(value, regexList);
    SxcuValue::Evaluate(converted, context);
    SxcuValue::IsLink(result);

    if (!value.contains(u'{') && !value.contains(u'\\') && !value.contains(u'$'))
        Fuzz::Check(result == value, "plain text stays as it is", fields[0]);
    Fuzz::Check(SxcuValue::EvaluateLink(QString(), context) == QString::fromUtf8(reply.body).trimmed(),
        "an empty link is the body trimmed");

    const QByteArray json = QJsonDocument(QJsonObject { { QStringLiteral("a"), value } }).toJson();
    Fuzz::Check(SxcuValue::JsonAt(json, QStringLiteral("a")) == value, "a JSON string is read back", json);
    return 0;
}
