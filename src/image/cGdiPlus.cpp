#include "cGdiPlus.h"

#include "GifEncoder.h"

#include <QBuffer>
#include <QHash>
#include <QImageWriter>
#include <QSaveFile>

namespace
{

const QHash<QString, cGdiPlus::Encoder>& encoderTable()
{
    using E = cGdiPlus::Encoder;
    static const QHash<QString, E> table { { QStringLiteral("JPG"), E::Jpeg }, { QStringLiteral("JPEG"), E::Jpeg },
        { QStringLiteral("JPE"), E::Jpeg }, { QStringLiteral("JFIF"), E::Jpeg }, { QStringLiteral("PNG"), E::Png },
        { QStringLiteral("GIF"), E::Gif }, { QStringLiteral("BMP"), E::Bmp }, { QStringLiteral("DIB"), E::Bmp },
        { QStringLiteral("RLE"), E::Bmp } };
    return table;
}

QByteArray encodeWithQt(const QImage& picture, const char* format, int quality, QString* error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(picture)) {
        if (error)
            *error = writer.errorString();
        return {};
    }
    return bytes;
}

bool writeFile(const QString& fileName, const QByteArray& bytes, QString* error)
{
    QSaveFile file(fileName);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

} // namespace

QString cGdiPlus::Extension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    const QString extension = fileName.mid(dot + 1);
    if (extension.contains(QLatin1Char('/')) || extension.contains(QLatin1Char('\\')))
        return {};
    return extension;
}

cGdiPlus::Encoder cGdiPlus::EncoderFor(const QString& fileName)
{
    return encoderTable().value(Extension(fileName).toUpper(), Encoder::None);
}

bool cGdiPlus::CarriesQuality(const QString& fileName)
{
    return EncoderFor(fileName) != Encoder::None && Extension(fileName).startsWith(QLatin1Char('J'), Qt::CaseInsensitive);
}

bool cGdiPlus::PictureBoxToFile(const QImage& picture, const QString& fileName, int quality, QString* error,
    const std::atomic_bool* cancel) const
{
    const Encoder encoder = EncoderFor(fileName);
    if (encoder == Encoder::None || picture.isNull())
        return false;
    const int encoderQuality = CarriesQuality(fileName) ? qBound(0, quality, 100) : -1;
    QByteArray bytes;
    switch (encoder) {
    case Encoder::Jpeg:
        bytes = encodeWithQt(picture, "jpeg", encoderQuality, error);
        break;
    case Encoder::Png:
        bytes = encodeWithQt(picture, "png", -1, error);
        break;
    case Encoder::Bmp:
        bytes = encodeWithQt(picture, "bmp", -1, error);
        break;
    case Encoder::Gif:
        bytes = GifEncoder::Encode(picture, cancel);
        if (bytes.isEmpty() && error)
            *error = QStringLiteral("GIF encoding failed");
        break;
    case Encoder::None:
        break;
    }
    if (bytes.isEmpty() || (cancel && cancel->load()))
        return false;
    return writeFile(fileName, bytes, error);
}
