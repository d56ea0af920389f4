#pragma once

#include <QByteArray>
#include <QImage>

#include <atomic>

// GIF files for pictures of any colour depth: libimagequant chooses a palette of at most 256 colours
// and maps the picture onto it with dithering, giflib writes the file. A picture with transparent
// pixels gets one transparent palette entry (GIF89a); semi-transparent pixels count as opaque from
// half their opacity on.
namespace GifEncoder
{

// The GIF file of the picture, or empty bytes when the picture is empty, too large for a GIF (sides
// above 65535), the quantization fails, or *cancel became true on the way.
QByteArray Encode(const QImage& picture, const std::atomic_bool* cancel = nullptr);

} // namespace GifEncoder
