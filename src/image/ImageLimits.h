#pragma once

#include <QString>

// The check of the current image against the limits of the selected hosting service.
namespace ImageLimits
{

// A service's limits as its ".info" file gives them; 0 means no limit.
struct Limits {
    qint16 MaxWidth = 0;
    qint16 MaxHeight = 0;
    qint32 MaxSize = 0;
};

// What stands for a limit of 0 in the comparison.
inline constexpr qint16 NoWidthLimit = 30000;
inline constexpr qint16 NoHeightLimit = 30000;
inline constexpr qint32 NoSizeLimit = 999999999;

// The verdict: the acceptance message (no line break), or one line ending with CR LF for each exceeded
// limit, in the order width, height, size. A value equal to its limit passes; non-zero limits, negative
// ones included, are used as they are.
QString CheckImageLimits(const Limits& limits, qint32 imageWidth, qint32 imageHeight, qint32 imageSize);

// The message of an image that fits.
QString AcceptanceMessage();

// A verdict means "the image fits" exactly when its first 11 characters are the first word of the
// acceptance message.
bool IsAcceptable(const QString& verdict);

} // namespace ImageLimits
