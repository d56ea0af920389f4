#include "ClipboardPicture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace
{

// The image/… format of the data that Qt can read, or empty text.
QString readableImageFormat(const QMimeData* data)
{
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString& format : data->formats()) {
        if (format.startsWith(QLatin1String("image/")) && readable.contains(format.toLatin1()))
            return format;
    }
    return {};
}

QImage onWhite(const QImage& picture)
{
    if (picture.isNull() || !picture.hasAlphaChannel())
        return picture;
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.setDevicePixelRatio(picture.devicePixelRatio());
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    painter.end();
    return flat;
}

} // namespace

namespace ClipboardPicture
{

QString PictureFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (QImageReader(path).canRead())
            return path;
    }
    return {};
}

bool HasPicture(const QMimeData* data)
{
    return data && (data->hasImage() || !readableImageFormat(data).isEmpty() || !PictureFile(data).isEmpty());
}

QImage Read(const QMimeData* data)
{
    if (!data)
        return {};
    QImage picture;
    if (data->hasImage())
        picture = qvariant_cast<QImage>(data->imageData());
    if (picture.isNull()) {
        if (const QString format = readableImageFormat(data); !format.isEmpty())
            picture = QImage::fromData(data->data(format));
    }
    if (picture.isNull()) {
        if (const QString file = PictureFile(data); !file.isEmpty())
            picture = QImage(file);
    }
    return onWhite(picture);
}

QImage FromClipboard()
{
    return Read(QGuiApplication::clipboard()->mimeData());
}

bool ClipboardHasPicture()
{
    return HasPicture(QGuiApplication::clipboard()->mimeData());
}

} // namespace ClipboardPicture
