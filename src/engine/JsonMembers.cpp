#include "JsonMembers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <optional>

namespace
{

// Walks a JSON text; every position it hands out lies within the text.
class Scanner final
{
public:
    explicit Scanner(const QByteArray& json)
        : m_json(json)
    {
    }

    qsizetype skipBlanks(qsizetype at) const
    {
        while (at < m_json.size() && isBlank(m_json.at(at)))
            ++at;
        return at;
    }

    // The document's first value, behind a byte order mark and blanks.
    qsizetype documentStart() const { return skipBlanks(m_json.startsWith("\xEF\xBB\xBF") ? 3 : 0); }

    // One past the string that opens at `at`.
    qsizetype skipString(qsizetype at) const
    {
        for (++at; at < m_json.size(); ++at) {
            if (m_json.at(at) == '\\')
                ++at;
            else if (m_json.at(at) == '"')
                return at + 1;
        }
        return m_json.size();
    }

    // One past the value that begins at `at`.
    qsizetype skipValue(qsizetype at) const
    {
        if (at >= m_json.size())
            return at;
        const char first = m_json.at(at);
        if (first == '"')
            return skipString(at);
        if (first != '{' && first != '[') {
            while (at < m_json.size() && !isBlank(m_json.at(at)) && !QByteArray(",}]").contains(m_json.at(at)))
                ++at;
            return at;
        }
        int depth = 0;
        while (at < m_json.size()) {
            const char c = m_json.at(at);
            if (c == '"') {
                at = skipString(at);
                continue;
            }
            if (c == '{' || c == '[')
                ++depth;
            else if ((c == '}' || c == ']') && --depth == 0)
                return at + 1;
            ++at;
        }
        return at;
    }

    QList<JsonMembers::Member> members(qsizetype at) const
    {
        QList<JsonMembers::Member> result;
        if (at < 0 || at >= m_json.size() || m_json.at(at) != '{')
            return result;
        at = skipBlanks(at + 1);
        while (at < m_json.size() && m_json.at(at) == '"') {
            const qsizetype nameEnd = skipString(at);
            const std::optional<QString> name = decodedString(m_json.mid(at, nameEnd - at));
            at = skipBlanks(nameEnd);
            if (!name || at >= m_json.size() || m_json.at(at) != ':')
                break;
            JsonMembers::Member member { *name, skipBlanks(at + 1), 0 };
            member.valueEnd = skipValue(member.valueBegin);
            result.append(member);
            at = skipBlanks(member.valueEnd);
            if (at >= m_json.size() || m_json.at(at) != ',')
                break;
            at = skipBlanks(at + 1);
        }
        return result;
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    // A JSON string token's text, read by the JSON reader itself so that every escape means what it means
    // there.
    static std::optional<QString> decodedString(const QByteArray& token)
    {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson("[" + token + "]", &error);
        if (error.error != QJsonParseError::NoError || !document.array().first().isString())
            return std::nullopt;
        return document.array().first().toString();
    }

    const QByteArray& m_json;
};

// The last member of that name, the one JSON readers keep.
std::optional<JsonMembers::Member> lastNamed(const QList<JsonMembers::Member>& members, const QString& name)
{
    for (qsizetype i = members.size() - 1; i >= 0; --i) {
        if (members.at(i).name == name)
            return members.at(i);
    }
    return std::nullopt;
}

QByteArray encodedString(const QString& value)
{
    const QByteArray array = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

namespace JsonMembers
{

QList<Member> Read(const QByteArray& json, qsizetype objectAt)
{
    const Scanner scanner(json);
    return scanner.members(objectAt < 0 ? scanner.documentStart() : objectAt);
}

QStringList NameOrder(const QByteArray& json, const QString& member)
{
    const std::optional<Member> outer = lastNamed(Read(json), member);
    if (!outer)
        return {};
    QStringList names;
    QSet<QString> seen;
    for (const Member& inner : Read(json, outer->valueBegin)) {
        if (!seen.contains(inner.name)) {
            seen.insert(inner.name);
            names.append(inner.name);
        }
    }
    return names;
}

QByteArray ReplaceValue(const QByteArray& json, const QString& member, const QString& name, const QString& value)
{
    std::optional<Member> target = lastNamed(Read(json), member.isEmpty() ? name : member);
    if (target && !member.isEmpty())
        target = lastNamed(Read(json, target->valueBegin), name);
    if (!target)
        return json;
    return json.left(target->valueBegin) + encodedString(value) + json.mid(target->valueEnd);
}

} // namespace JsonMembers
