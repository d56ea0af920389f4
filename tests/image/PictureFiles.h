#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

// Picture files made on the spot inside a test's temporary folder.
namespace PictureFiles
{

// A picture of the given size (a coloured frame on a light ground, so that scaled copies stay
// recognisable), saved in the format its file name asks for. Gives the full path, or empty text.
inline QString Write(
    const QString& folder, const QString& relative, int width, int height, const char* format = nullptr)
{
    const QString path = folder + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0xf0, 0xf0, 0xe0));
    QPainter painter(&image);
    painter.setPen(QColor(0x20, 0x40, 0xa0));
    painter.drawRect(0, 0, width - 1, height - 1);
    painter.end();
    return image.save(path, format) ? path : QString();
}

// A grey JPEG (cheap to make, small on disk even at 48 megapixels). A non-zero EXIF orientation is
// written into an Exif segment (6: the camera was turned, the picture is shown turned by 90 degrees).
inline QString WriteJpeg(const QString& folder, const QString& relative, int width, int height, int exifOrientation = 0)
{
    const QString path = folder + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(0x80);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG"))
        return {};
    if (exifOrientation != 0) {
        // APP1 "Exif", big-endian TIFF header, one IFD entry: Orientation (0x0112), SHORT, 1 value.
        QByteArray exif = QByteArray::fromHex("ffe10022457869660000"
                                              "4d4d002a00000008"
                                              "0001"
                                              "011200030000000100060000"
                                              "00000000");
        exif[29] = char(exifOrientation);
        bytes.insert(2, exif);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(bytes);
    return path;
}

// A 1 x 1 GIF (Qt reads GIF but does not write it).
inline QString WriteGif(const QString& folder, const QString& relative)
{
    static const unsigned char gif[] = { 0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00,
        0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0x21, 0xf9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3b };
    const QString path = folder + QLatin1Char('/') + relative;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(reinterpret_cast<const char*>(gif), sizeof gif);
    return path;
}

// Any bytes under a name.
inline QString WriteBytes(const QString& folder, const QString& relative, const QByteArray& bytes)
{
    const QString path = folder + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(bytes);
    return path;
}

} // namespace PictureFiles
