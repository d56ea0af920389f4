#pragma once

#include <QImage>
#include <QString>

#include <atomic>

// Writes a picture to a file in the format that the file name's extension asks for: JPEG (with a
// quality), PNG, GIF or BMP. The extension picks the encoder without regard to case; a name whose
// extension has no encoder writes nothing. A file is replaced only by a complete new one, so a write
// that fails (full disk, no permission) leaves the old file, if any, as it was.
class cGdiPlus final
{
public:
    enum class Encoder { None, Jpeg, Png, Gif, Bmp };

    // The text after the last "." of the name, or empty text when a folder separator follows it.
    static QString Extension(const QString& fileName);
    static Encoder EncoderFor(const QString& fileName);
    // Whether the quality goes to the encoder: an encoder exists and its extension starts with "J".
    static bool CarriesQuality(const QString& fileName);

    // Encodes the picture for the name's encoder (quality 0–100 for JPEG, clamped) and writes it. False
    // when there is no encoder, encoding or writing fails (the reason in *error), or *cancel came true.
    bool PictureBoxToFile(const QImage& picture, const QString& fileName, int quality, QString* error = nullptr,
        const std::atomic_bool* cancel = nullptr) const;
};
