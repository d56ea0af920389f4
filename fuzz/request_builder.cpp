// The request builder: any template, image, cookie and proxy settings. The request is always built,
// "{LEN}" in the header becomes the number of bytes behind the request's first empty line, and the image
// bytes go in unchanged.
#include "FuzzSupport.h"

#include "engine/Data.h"

#include <QDir>

namespace
{

const QByteArray HeaderEnd = QByteArrayLiteral("\r\n\r\n");
// Stands in for the first "{LEN}" of the template, so that the place of the number is known.
const QByteArray LengthMark = QByteArrayLiteral("\x01length-mark\x02");

Data::PostRequest build(const QString& folder, const QByteArray& requestTemplate, const Data::PostRequestInput& base)
{
    Data::PostRequestInput input = base;
    input.templatePath = QDir(folder).filePath(QStringLiteral("fuzz.post.txt"));
    Fuzz::WriteFile(input.templatePath, requestTemplate);
    return Data::BuildPostRequest(input);
}

QByteArray withoutLineBreaks(QByteArray text)
{
    return text.replace('\r', QByteArray()).replace('\n', QByteArray());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // flags, cookie, proxy host, proxy user, template, then the image's bytes
    const QList<QByteArray> fields = Fuzz::Fields(data, size, 6);
    const char flags = fields[0].isEmpty() ? 0 : fields[0][0];
    const QByteArray requestTemplate = fields[4];
    const QByteArray& image = fields[5];
    for (const QByteArray& field : fields) {
        if (field.contains(LengthMark))
            return 0;
    }

    const QString folder = Fuzz::CleanFolder();
    static const char* const endings[] = { "jpg", "gif", "png", "bmp" };
    Data::PostRequestInput input;
    input.imagePath = QDir(folder).filePath(QStringLiteral("picture.") + QLatin1String(endings[flags & 3]));
    Fuzz::WriteFile(input.imagePath, image);
    // Cookies come from one header line of a reply, the proxy host from one line of the settings.
    input.serverCookies = QString::fromLocal8Bit(withoutLineBreaks(fields[1]));
    input.serverHost = withoutLineBreaks(fields[2]);
    input.useProxy = (flags & 4) != 0;
    input.proxyAuth = (flags & 8) != 0;
    input.proxyUser = QString::fromLocal8Bit(withoutLineBreaks(fields[3]));
    input.proxyPassword = QStringLiteral("secret");

    const Data::PostRequest request = build(folder, requestTemplate, input);
    Fuzz::Check(request.ok(), "a readable template and image always give a request", requestTemplate);
    if (requestTemplate.contains("{IMGDATA}"))
        Fuzz::Check(request.bytes.contains(image), "the image goes in whole");

    // The template's own first empty line ends the header; only a length placed before it is checked.
    const qsizetype templateHeaderEnd = requestTemplate.indexOf(HeaderEnd);
    const qsizetype lengthAt = requestTemplate.indexOf("{LEN}");
    if (templateHeaderEnd < 0 || lengthAt < 0 || lengthAt > templateHeaderEnd)
        return 0;
    // With the mark in place of the first "{LEN}", a second one would take the number instead.
    if (requestTemplate.indexOf("{LEN}", lengthAt + 1) >= 0)
        return 0;
    // An image or a cookie placed in the header may itself end it early; such a template is broken anyway.
    const QByteArray templateHeader = requestTemplate.left(templateHeaderEnd);
    if (templateHeader.contains("{IMGDATA}") || templateHeader.contains("{COOKIES}"))
        return 0;

    QByteArray markedTemplate = requestTemplate;
    markedTemplate.replace(lengthAt, 5, LengthMark);
    const Data::PostRequest marked = build(folder, markedTemplate, input);
    Fuzz::Check(marked.ok(), "the marked template gives a request");
    const qsizetype markAt = marked.bytes.indexOf(LengthMark);
    Fuzz::Check(markAt >= 0, "the mark stays in the request");
    const qsizetype headerEnd = request.bytes.indexOf(HeaderEnd);
    Fuzz::Check(headerEnd >= 0, "the request keeps its empty line");
    const qsizetype bodyLength = request.bytes.size() - (headerEnd + HeaderEnd.size());
    const QByteArray length = QByteArray::number(bodyLength);
    Fuzz::Check(request.bytes == QByteArray(marked.bytes).replace(markAt, LengthMark.size(), length),
        "{LEN} is the number of bytes behind the empty line", requestTemplate);
    return 0;
}
