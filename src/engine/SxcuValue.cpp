#include "SxcuValue.h"

#include "engine/SxcuPrompter.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QVariant>
#include <QXmlStreamReader>

namespace
{

const QStringList FunctionNames
    = { QStringLiteral("response"), QStringLiteral("responseurl"), QStringLiteral("header"), QStringLiteral("json"),
          QStringLiteral("xml"), QStringLiteral("regex"), QStringLiteral("filename"), QStringLiteral("random"),
          QStringLiteral("select"), QStringLiteral("inputbox"), QStringLiteral("prompt"), QStringLiteral("base64") };

bool isEscapable(QChar c)
{
    return c == u'{' || c == u'}' || c == u'|' || c == u'\\';
}

// The name of the function that a "{" at `at` opens, with the position after it; empty when the brace
// is literal text.
std::pair<QString, qsizetype> functionAt(const QString& text, qsizetype at)
{
    qsizetype end = at + 1;
    while (end < text.size() && text[end].isLetterOrNumber())
        ++end;
    if (end >= text.size() || (text[end] != u':' && text[end] != u'}'))
        return {};
    const QString name = text.mid(at + 1, end - at - 1).toLower();
    if (!FunctionNames.contains(name))
        return {};
    return { name, end };
}

class Evaluator
{
public:
    Evaluator(const QString& text, const SxcuValue::Context& context)
        : m_text(text)
        , m_context(context)
    {
    }

    QString run() { return sequence(false); }

private:
    // Text up to the end, or inside an argument up to its "|" or "}".
    QString sequence(bool inArgument)
    {
        QString out;
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos];
            if (c == u'\\' && m_pos + 1 < m_text.size() && isEscapable(m_text[m_pos + 1])) {
                out += m_text[m_pos + 1];
                m_pos += 2;
            } else if (inArgument && (c == u'|' || c == u'}')) {
                break;
            } else if (c == u'{') {
                out += function();
            } else {
                out += c;
                ++m_pos;
            }
        }
        return out;
    }

    // Functions nest at most this deep; a brace beyond is literal text, so that no value, however it is
    // built, runs the evaluator out of stack.
    static constexpr int MaxDepth = 64;

    QString function()
    {
        const qsizetype start = m_pos;
        const auto [name, end] = functionAt(m_text, m_pos);
        if (name.isEmpty() || m_depth >= MaxDepth) {
            ++m_pos;
            return QStringLiteral("{");
        }
        const DepthGuard guard(m_depth);
        m_pos = end;
        QStringList arguments;
        if (m_text[m_pos] == u':') {
            ++m_pos;
            for (;;) {
                arguments << sequence(true);
                if (m_pos >= m_text.size())
                    return m_text.mid(start); // never closed: literal text
                if (m_text[m_pos++] == u'}')
                    break;
            }
        } else {
            ++m_pos;
        }
        return call(name, arguments);
    }

    QString body() const { return m_context.reply ? QString::fromUtf8(m_context.reply->body) : QString(); }

    // One argument: (body, a); two: (first, second).
    std::pair<QString, QString> inputAndPath(const QStringList& arguments) const
    {
        if (arguments.size() >= 2)
            return { arguments[0], arguments[1] };
        return { body(), arguments.value(0) };
    }

    QString call(const QString& name, const QStringList& arguments) const
    {
        const SxcuReply* reply = m_context.reply;
        if (name == u"response")
            return body();
        if (name == u"responseurl")
            return reply ? reply->url : QString();
        if (name == u"header")
            return reply ? QString::fromUtf8(reply->header(arguments.value(0).toUtf8())) : QString();
        if (name == u"json") {
            const auto [input, path] = inputAndPath(arguments);
            return SxcuValue::JsonAt(input.toUtf8(), path);
        }
        if (name == u"xml") {
            const auto [input, path] = inputAndPath(arguments);
            return SxcuValue::XmlAt(input.toUtf8(), path);
        }
        if (name == u"regex")
            return regex(arguments);
        if (name == u"filename")
            return m_context.fileName;
        if (name == u"random")
            return arguments.value(QRandomGenerator::global()->bounded(qMax<qsizetype>(arguments.size(), 1)));
        if (name == u"select")
            return select(arguments);
        if (name == u"inputbox" || name == u"prompt")
            return input(arguments);
        return QString::fromLatin1(arguments.join(u'|').toUtf8().toBase64()); // base64
    }

    QString regex(const QStringList& arguments) const
    {
        if (arguments.size() >= 3)
            return SxcuValue::RegexMatch(arguments[0], arguments[1], arguments[2]);
        return SxcuValue::RegexMatch(body(), arguments.value(0), arguments.value(1));
    }

    QString select(const QStringList& arguments) const
    {
        if (arguments.isEmpty())
            return {};
        if (!m_context.prompter)
            return arguments.first();
        return m_context.prompter->select(arguments);
    }

    QString input(const QStringList& arguments) const
    {
        const QString title = arguments.value(0);
        const QString defaultText = arguments.value(1);
        if (!m_context.prompter)
            return defaultText;
        return m_context.prompter->input(title, defaultText);
    }

    const QString& m_text;
    struct DepthGuard {
        explicit DepthGuard(int& depth)
            : m_depth(++depth)
        {
        }
        ~DepthGuard() { --m_depth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
        int& m_depth;
    };

    const SxcuValue::Context& m_context;
    qsizetype m_pos = 0;
    int m_depth = 0;
};

QString jsonText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return value.toVariant().toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    default:
        return {};
    }
}

// One step of a JSON path: a member name or an array index.
QJsonValue jsonStep(const QJsonValue& from, const QString& key, bool isIndex)
{
    if (isIndex) {
        bool ok = false;
        const int index = key.toInt(&ok);
        const QJsonArray array = from.toArray();
        return ok && from.isArray() && index >= 0 && index < array.size() ? array.at(index) : QJsonValue::Undefined;
    }
    return from.isObject() ? from.toObject().value(key) : QJsonValue::Undefined;
}

QString unquoted(const QString& text)
{
    if (text.size() >= 2 && (text.front() == u'\'' || text.front() == u'"') && text.back() == text.front())
        return text.mid(1, text.size() - 2);
    return {};
}

struct XmlStep {
    QString name;
    int index = 0; // 0: the first of that name
};

} // namespace

QByteArray SxcuReply::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

namespace SxcuValue
{

QString Evaluate(const QString& value, const Context& context)
{
    return Evaluator(value, context).run();
}

QString EvaluateLink(const QString& value, const Context& context)
{
    if (value.isEmpty())
        return context.reply ? QString::fromUtf8(context.reply->body).trimmed() : QString();
    return Evaluate(value, context).trimmed();
}

bool IsLink(const QString& text)
{
    static const QRegularExpression link(QStringLiteral("^[A-Za-z][A-Za-z0-9+.\\-]*://\\S+$"));
    return link.match(text).hasMatch();
}

bool HasOldSyntax(const QString& value)
{
    static const QRegularExpression oldFunction(
        QStringLiteral("\\$(response|responseurl|header|json|xml|regex|filename|random|select|inputbox|prompt|"
                       "base64)(:[^$]*)?\\$"),
        QRegularExpression::CaseInsensitiveOption);
    return oldFunction.match(value).hasMatch();
}

QString ConvertOldSyntax(const QString& value, const QStringList& regexList)
{
    const auto escaped = [](const QString& text, bool argument) {
        QString out;
        for (const QChar c : text) {
            if (c == u'{' || c == u'}' || c == u'\\' || (argument && c == u'|'))
                out += u'\\';
            out += c;
        }
        return out;
    };
    QString out;
    qsizetype pos = 0;
    while (pos < value.size()) {
        const QChar c = value[pos];
        if (c == u'\\' && pos + 1 < value.size() && value[pos + 1] == u'$') {
            out += u'$';
            pos += 2;
            continue;
        }
        const qsizetype close = c == u'$' ? value.indexOf(u'$', pos + 1) : -1;
        const QString inner = close > pos ? value.mid(pos + 1, close - pos - 1) : QString();
        const qsizetype colon = inner.indexOf(u':');
        const QString name = (colon < 0 ? inner : inner.left(colon)).toLower();
        if (close < 0 || !FunctionNames.contains(name)) {
            out += escaped(QString(c), false);
            ++pos;
            continue;
        }
        QStringList arguments = colon < 0 ? QStringList() : inner.mid(colon + 1).split(u'|');
        if (name == u"regex" && !arguments.isEmpty())
            arguments[0] = regexList.value(arguments[0].trimmed().toInt() - 1);
        out += u'{' + name;
        for (qsizetype i = 0; i < arguments.size(); ++i)
            out += (i == 0 ? u':' : u'|') + escaped(arguments[i], true);
        out += u'}';
        pos = close + 1;
    }
    return out;
}

QString JsonAt(const QByteArray& json, const QString& path)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return {};
    QJsonValue value = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());

    QString rest = path.trimmed();
    if (rest.startsWith(u'$'))
        rest.remove(0, 1);
    qsizetype pos = 0;
    while (pos < rest.size() && !value.isUndefined()) {
        if (rest[pos] == u'.') {
            ++pos;
        } else if (rest[pos] == u'[') {
            const qsizetype close = rest.indexOf(u']', pos);
            if (close < 0)
                return {};
            const QString inside = rest.mid(pos + 1, close - pos - 1).trimmed();
            const QString key = unquoted(inside);
            value = jsonStep(value, key.isNull() ? inside : key, key.isNull());
            pos = close + 1;
        } else {
            qsizetype end = pos;
            while (end < rest.size() && rest[end] != u'.' && rest[end] != u'[')
                ++end;
            value = jsonStep(value, rest.mid(pos, end - pos), false);
            pos = end;
        }
    }
    return jsonText(value);
}

QString XmlAt(const QByteArray& xml, const QString& path)
{
    QList<XmlStep> steps;
    QString attribute;
    for (const QString& part : path.trimmed().split(u'/', Qt::SkipEmptyParts)) {
        if (part.startsWith(u'@')) {
            attribute = part.mid(1);
            break;
        }
        if (part == u"text()")
            break;
        static const QRegularExpression indexed(QStringLiteral("^(.*)\\[(\\d+)\\]$"));
        const QRegularExpressionMatch match = indexed.match(part);
        steps.append(match.hasMatch() ? XmlStep { match.captured(1), match.captured(2).toInt() } : XmlStep { part });
    }
    if (steps.isEmpty())
        return {};

    QXmlStreamReader reader(xml);
    QList<QHash<QString, int>> siblings { {} }; // per open element: how many children of each name so far
    qsizetype matched = 0; // how many steps the open elements match, from the root
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement()) {
            siblings.removeLast();
            matched = qMin(matched, siblings.size() - 1);
            continue;
        }
        if (!reader.isStartElement())
            continue;
        const QString name = reader.name().toString();
        const int count = ++siblings.last()[name];
        const qsizetype depth = siblings.size() - 1;
        siblings.append(QHash<QString, int>());
        if (matched != depth || depth >= steps.size())
            continue;
        const XmlStep& step = steps[depth];
        if ((step.name != name && step.name != reader.qualifiedName()) || (step.index != 0 && step.index != count))
            continue;
        matched = depth + 1;
        if (matched < steps.size())
            continue;
        if (!attribute.isEmpty())
            return reader.attributes().value(attribute).toString();
        return reader.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    return {};
}

QString RegexMatch(const QString& input, const QString& pattern, const QString& group)
{
    const QRegularExpression expression(pattern);
    if (!expression.isValid())
        return {};
    const QRegularExpressionMatch match = expression.match(input);
    if (!match.hasMatch())
        return {};
    bool numbered = false;
    const int number = group.toInt(&numbered);
    if (group.isEmpty())
        return match.captured(0);
    return numbered ? match.captured(number) : match.captured(group);
}

} // namespace SxcuValue
