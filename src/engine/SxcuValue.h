#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class SxcuPrompter;

// A server's reply as the values of a custom-uploader file read it.
struct SxcuReply {
    int statusCode = 0;
    QString statusLine; // "413 Payload Too Large"
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QString url; // the final address, after redirects

    // The value of the first header of that name (any case); empty when there is none.
    QByteArray header(const QByteArray& name) const;
    bool isSuccess() const { return statusCode >= 200 && statusCode < 300; }
};

// The value syntax of custom-uploader files: literal text with functions in braces, which nest, and a
// backslash that escapes "{", "}", "|" and "\". A brace that does not open a known function is literal
// text. Files of old writers use "$name:arguments$" instead; ConvertOldSyntax turns such a value into
// the current form, so only one syntax is ever evaluated.
namespace SxcuValue
{

struct Context {
    const SxcuReply* reply = nullptr; // none while the request is being built
    QString fileName; // the uploaded file's name without folders
    SxcuPrompter* prompter = nullptr; // none: first choice, default text
};

QString Evaluate(const QString& value, const Context& context);

// A link field: an empty value stands for the whole reply body without surrounding blanks.
QString EvaluateLink(const QString& value, const Context& context);

// A link the program can hand on: a scheme, "://" and no blanks.
bool IsLink(const QString& text);

// "$json:data.url$" → "{json:data.url}"; "$regex:2|id$" takes the second pattern of the list.
QString ConvertOldSyntax(const QString& value, const QStringList& regexList);
// True when the value calls a function of the old syntax.
bool HasOldSyntax(const QString& value);

// The value at a JSON path ("data.url", "files[0].url", "[0].code", "$." in front allowed) as text:
// strings unescaped, numbers and booleans as written, objects and arrays as compact JSON; empty when the
// path leads nowhere or the text is not JSON.
QString JsonAt(const QByteArray& json, const QString& path);

// The text of the element at an absolute path ("/rsp/image[2]/url", 1-based indexes counted among
// siblings of that name), or an attribute ("/rsp/image/@id"); empty when there is none.
QString XmlAt(const QByteArray& xml, const QString& path);

// The first match of the pattern, or its numbered or named group; empty without a match.
QString RegexMatch(const QString& input, const QString& pattern, const QString& group);

} // namespace SxcuValue
