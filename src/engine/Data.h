#pragma once

#include "engine/PostRequestSource.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The request builder: turns a profile's request template and the image into the bytes of an HTTP
// request, builds the fixed GET request of the profile scripts, and the two text operations the
// interpreter relies on.
namespace Data
{

// The proxy that a request's connection goes to. A request carries the absolute request line, the proxy
// headers and the proxy's credentials only when its connection goes to the proxy.
struct ProxyRoute {
    bool viaProxy = false;
    bool proxyAuth = false;
    QString proxyUser;
    QString proxyPassword;
};

// What a POST request is built from besides the template and the image.
struct PostRequestInput {
    QString templatePath;
    QString imagePath; // CurrentImagePath, also the "{FILENAME}" text
    QString serverCookies; // "{COOKIES}"
    QByteArray serverHost; // the absolute request line through a proxy
    bool useProxy = false;
    bool proxyAuth = false;
    QString proxyUser;
    QString proxyPassword;
};

struct PostRequest {
    QByteArray bytes;
    bool built = false;
    // The file that could not be read (template or image) when the request was not built.
    QString unreadableFile;
    bool ok() const { return built; }
};

// A request whose image is read from its file as the request is taken.
struct StreamedPostRequest {
    std::unique_ptr<PostRequestSource> source; // none when the request was not built
    // The file that could not be read (template or image) when the request was not built.
    QString unreadableFile;
    bool ok() const { return source != nullptr; }
};

// Fills the template's placeholders (each at its first occurrence in the template's own text, never
// inside inserted values such as the image bytes) and applies the proxy rewriting to the header part. The
// image file is opened and its size counted in the lengths; its bytes are read as the request is taken.
StreamedPostRequest OpenPostRequest(const PostRequestInput& input);

// The same request read whole into memory.
PostRequest BuildPostRequest(const PostRequestInput& input);

// The seven-line HTTP/1.0 GET request that asks the server to close the connection after its reply; its
// Referer is "http://" and the host.
QByteArray BuildGetRequest(const QByteArray& host, const QByteArray& path);
// The same request for a connection that may be TLS (the Referer then begins with "https://") or go to a
// proxy: there the request line carries the absolute address, "Connection: Close" becomes
// "Proxy-Connection: Close" and, with authorization, the "Proxy-Authorization: Basic" line follows it, as
// in a POST request.
QByteArray BuildGetRequest(const QByteArray& host, const QByteArray& path, const ProxyRoute& route, bool tls);

// The text with the first occurrence of find replaced; the text unchanged when find does not occur.
QByteArray ReplaceFirst(const QByteArray& text, const QByteArray& find, const QByteArray& replacement);

// The "*" pattern: the text between the part before the first "*" and the part after it, or the literal
// "error" when either part is not found (also for a pattern without "*").
QByteArray ExtractBetween(const QByteArray& pattern, const QByteArray& text);

// "image/jpeg", "image/gif" or "image/png" by the last three characters of the path (case-sensitive);
// empty for any other ending.
QByteArray FileTypeFor(const QString& imagePath);

} // namespace Data
