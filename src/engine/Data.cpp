#include "Data.h"

#include "settings/Signature_module.h"

#include <QFile>

#include <memory>
#include <optional>
#include <vector>

namespace
{

const QByteArray HeaderEnd = QByteArrayLiteral("\r\n\r\n");
const QByteArray ConnectionClose = QByteArrayLiteral("Connection: Close");
const QByteArray ProxyConnectionClose = QByteArrayLiteral("Proxy-Connection: Close");

// The proxy-connection header with the Basic authorization line below it.
QByteArray proxyConnectionWithAuthorization(const QString& user, const QString& password)
{
    return ProxyConnectionClose + "\r\nProxy-Authorization: Basic "
        + Signature_module::Base64Encode(user + QLatin1Char(':') + password);
}

// A request under construction: the template's own text split around the values inserted into it.
// Placeholders are searched for only in template text, so an inserted value (the file name, the cookie
// text, the image bytes) is never rewritten. The image stands in it only by its size: its bytes are read
// from the file as the finished request is taken.
class RequestText final
{
public:
    explicit RequestText(QByteArray templateText)
    {
        m_segments.push_back({ std::move(templateText), Kind::Template, 0 });
    }

    enum class Scope { Everywhere, HeaderOnly };

    // Replaces the first occurrence of find in template text by an inserted value.
    bool replaceFirst(const QByteArray& find, const QByteArray& value, Scope scope = Scope::Everywhere)
    {
        return replace(find, Segment { value, Kind::Inserted, 0 }, scope);
    }

    // Replaces the first occurrence of find in template text by the image file's contents.
    bool replaceFirstWithFile(const QByteArray& find, qint64 fileSize)
    {
        return replace(find, Segment { {}, Kind::ImageFile, fileSize }, Scope::Everywhere);
    }

    // Replaces the first occurrence of find in template text by text that later rewrites may search.
    bool rewriteFirst(const QByteArray& find, const QByteArray& text, Scope scope)
    {
        return replace(find, Segment { text, Kind::Template, 0 }, scope);
    }

    // The byte count behind the template's first empty line, or nothing when it has none.
    std::optional<qint64> bodyLength() const
    {
        const std::optional<Position> end = headerEnd();
        if (!end)
            return std::nullopt;
        qint64 length = m_segments[end->segment].bytes.size() - (end->offset + HeaderEnd.size());
        for (size_t i = end->segment + 1; i < m_segments.size(); ++i)
            length += m_segments[i].size();
        return length;
    }

    // The finished request's parts, the image file's contents as one part of their own.
    std::vector<PostRequestSource::Part> parts() const
    {
        std::vector<PostRequestSource::Part> parts;
        parts.reserve(m_segments.size());
        for (const Segment& segment : m_segments)
            parts.push_back({ segment.bytes, segment.kind == Kind::ImageFile });
        return parts;
    }

private:
    enum class Kind { Template, Inserted, ImageFile };
    struct Segment {
        QByteArray bytes;
        Kind kind;
        qint64 fileSize;
        qint64 size() const { return kind == Kind::ImageFile ? fileSize : bytes.size(); }
    };
    struct Position {
        size_t segment;
        qsizetype offset;
    };

    std::optional<Position> headerEnd() const
    {
        for (size_t i = 0; i < m_segments.size(); ++i) {
            if (m_segments[i].kind != Kind::Template)
                continue;
            const qsizetype at = m_segments[i].bytes.indexOf(HeaderEnd);
            if (at >= 0)
                return Position { i, at };
        }
        return std::nullopt;
    }

    bool replace(const QByteArray& find, Segment value, Scope scope)
    {
        std::optional<Position> limit;
        if (scope == Scope::HeaderOnly)
            limit = headerEnd();
        for (size_t i = 0; i < m_segments.size(); ++i) {
            if (limit && i > limit->segment)
                return false;
            if (m_segments[i].kind != Kind::Template)
                continue;
            const QByteArray& text = m_segments[i].bytes;
            const qsizetype at = text.indexOf(find);
            if (at < 0 || (limit && i == limit->segment && at + find.size() > limit->offset))
                continue;
            const QByteArray before = text.left(at);
            const QByteArray after = text.mid(at + find.size());
            if (value.kind == Kind::Template) {
                m_segments[i].bytes = before + value.bytes + after;
            } else {
                m_segments[i].bytes = before;
                m_segments.insert(m_segments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                    { std::move(value), Segment { after, Kind::Template, 0 } });
            }
            return true;
        }
        return false;
    }

    std::vector<Segment> m_segments;
};

// The fixed GET request; the connection header lines come last. The Referer names the page's own site with
// the scheme of the connection.
QByteArray getRequest(const QByteArray& target, const QByteArray& host, bool tls, const QByteArray& connectionLines)
{
    const QByteArray scheme = tls ? "https://" : "http://";
    return "GET " + target + " HTTP/1.0\r\n" + "Accept: */*\r\n" + "Referer: " + scheme + host + "\r\n"
        + "Accept-Language: ru\r\n" + "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
        + "Host: " + host + "\r\n" + connectionLines + "\r\n" + "\r\n";
}

} // namespace

namespace Data
{

StreamedPostRequest OpenPostRequest(const PostRequestInput& input)
{
    StreamedPostRequest result;

    QFile templateFile(input.templatePath);
    if (!templateFile.open(QIODevice::ReadOnly)) {
        result.unreadableFile = input.templatePath;
        return result;
    }
    RequestText request(templateFile.readAll());
    templateFile.close();

    auto source = std::make_unique<PostRequestSource>(input.imagePath);
    if (input.imagePath.isEmpty() || !source->openPicture()) {
        result.unreadableFile = input.imagePath;
        return result;
    }

    request.replaceFirst("{FILENAME}", input.imagePath.toLocal8Bit());
    request.replaceFirstWithFile("{IMGDATA}", source->pictureSize());
    request.replaceFirst("{COOKIES}", input.serverCookies.toLocal8Bit());
    const QByteArray fileType = FileTypeFor(input.imagePath);
    if (!fileType.isEmpty())
        request.replaceFirst("{FILETYPE}", fileType);
    request.replaceFirst("{LEN}", QByteArray::number(request.bodyLength().value_or(0)));

    if (input.useProxy) {
        using Scope = RequestText::Scope;
        request.replaceFirst("POST ", "POST http://" + input.serverHost, Scope::HeaderOnly);
        request.rewriteFirst(ConnectionClose, ProxyConnectionClose, Scope::HeaderOnly);
        if (input.proxyAuth) {
            request.rewriteFirst(ProxyConnectionClose,
                proxyConnectionWithAuthorization(input.proxyUser, input.proxyPassword), Scope::HeaderOnly);
        }
    }

    source->setParts(request.parts());
    result.source = std::move(source);
    return result;
}

PostRequest BuildPostRequest(const PostRequestInput& input)
{
    PostRequest result;
    const StreamedPostRequest streamed = OpenPostRequest(input);
    if (!streamed.ok()) {
        result.unreadableFile = streamed.unreadableFile;
        return result;
    }
    const qint64 total = streamed.source->size();
    result.bytes.reserve(static_cast<qsizetype>(total));
    while (result.bytes.size() < total) {
        const QByteArray piece = streamed.source->read(total - result.bytes.size());
        if (piece.isEmpty())
            break;
        result.bytes.append(piece);
    }
    result.built = result.bytes.size() == total;
    if (!result.built) {
        result.bytes.clear();
        result.unreadableFile = input.imagePath;
    }
    return result;
}

QByteArray BuildGetRequest(const QByteArray& host, const QByteArray& path)
{
    return getRequest(path, host, false, ConnectionClose);
}

QByteArray BuildGetRequest(const QByteArray& host, const QByteArray& path, const ProxyRoute& route, bool tls)
{
    if (!route.viaProxy)
        return getRequest(path, host, tls, ConnectionClose);
    // A proxy is asked in plain HTTP only: an https connection through it is a tunnel and its requests are
    // the origin's own.
    return getRequest("http://" + host + path, host, false,
        route.proxyAuth ? proxyConnectionWithAuthorization(route.proxyUser, route.proxyPassword)
                        : ProxyConnectionClose);
}

QByteArray ReplaceFirst(const QByteArray& text, const QByteArray& find, const QByteArray& replacement)
{
    const qsizetype at = text.indexOf(find);
    if (at < 0)
        return text;
    return text.left(at) + replacement + text.mid(at + find.size());
}

QByteArray ExtractBetween(const QByteArray& pattern, const QByteArray& text)
{
    const QByteArray notFound = QByteArrayLiteral("error");
    const qsizetype star = pattern.indexOf('*');
    if (star < 0)
        return notFound;
    const QByteArray before = pattern.left(star);
    const QByteArray after = pattern.mid(star + 1);
    if (!text.contains(after))
        return notFound;
    const qsizetype open = text.indexOf(before);
    if (open < 0)
        return notFound;
    const qsizetype from = open + before.size();
    const qsizetype close = text.indexOf(after, from);
    if (close < 0)
        return notFound;
    return text.mid(from, close - from);
}

QByteArray FileTypeFor(const QString& imagePath)
{
    const QString ending = imagePath.right(3);
    if (ending == QLatin1String("jpg"))
        return QByteArrayLiteral("image/jpeg");
    if (ending == QLatin1String("gif"))
        return QByteArrayLiteral("image/gif");
    if (ending == QLatin1String("png"))
        return QByteArrayLiteral("image/png");
    return {};
}

} // namespace Data
