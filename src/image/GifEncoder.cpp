#include "GifEncoder.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <memory>
#include <vector>

namespace
{

constexpr int GifSideLimit = 65535;
constexpr unsigned char OpaqueFrom = 128;

struct LiqDeleter {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
    void operator()(liq_image* image) const { liq_image_destroy(image); }
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};
using LiqAttr = std::unique_ptr<liq_attr, LiqDeleter>;
using LiqImage = std::unique_ptr<liq_image, LiqDeleter>;
using LiqResult = std::unique_ptr<liq_result, LiqDeleter>;

int keepGoing(float, void* cancel)
{
    return cancel && static_cast<const std::atomic_bool*>(cancel)->load() ? 0 : 1;
}

// Straight RGBA bytes in which every pixel is either opaque or fully transparent (all transparent
// pixels the same colour, so that they share one palette entry). Sets hasTransparency.
QImage binaryAlpha(const QImage& picture, bool& hasTransparency)
{
    QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    hasTransparency = false;
    if (!picture.hasAlphaChannel())
        return rgba;
    for (int y = 0; y < rgba.height(); ++y) {
        uchar* pixel = rgba.scanLine(y);
        for (int x = 0; x < rgba.width(); ++x, pixel += 4) {
            if (pixel[3] >= OpaqueFrom) {
                pixel[3] = 255;
                continue;
            }
            pixel[0] = pixel[1] = pixel[2] = pixel[3] = 0;
            hasTransparency = true;
        }
    }
    return rgba;
}

int appendBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

struct Palette {
    std::vector<GifColorType> colours;
    int transparentIndex = -1;
};

Palette gifPalette(const liq_palette& quantized, bool hasTransparency)
{
    Palette palette;
    // giflib wants a palette of a power-of-two size; the entries beyond the used ones stay black.
    const int count = qMax(2, int(quantized.count));
    palette.colours.resize(std::size_t(1) << GifBitSize(count), GifColorType { 0, 0, 0 });
    for (unsigned i = 0; i < quantized.count; ++i) {
        const liq_color& colour = quantized.entries[i];
        palette.colours[i] = GifColorType { colour.r, colour.g, colour.b };
        if (hasTransparency && palette.transparentIndex < 0 && colour.a < OpaqueFrom)
            palette.transparentIndex = int(i);
    }
    return palette;
}

bool writeGif(QByteArray& out, int width, int height, const Palette& palette, const std::vector<unsigned char>& pixels)
{
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendBytes, &error);
    if (!gif)
        return false;
    // The version goes into the header, which the screen description writes.
    EGifSetGifVersion(gif, palette.transparentIndex >= 0);
    ColorMapObject* map = GifMakeMapObject(int(palette.colours.size()), palette.colours.data());
    bool ok = map && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
    if (ok && palette.transparentIndex >= 0) {
        const GifByteType control[4] = { 0x01, 0, 0, GifByteType(palette.transparentIndex) };
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < height; ++y) {
        auto* row = const_cast<GifPixelType*>(pixels.data() + std::size_t(y) * std::size_t(width));
        ok = EGifPutLine(gif, row, width) == GIF_OK;
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

} // namespace

namespace GifEncoder
{

QByteArray Encode(const QImage& picture, const std::atomic_bool* cancel)
{
    if (picture.isNull() || picture.width() > GifSideLimit || picture.height() > GifSideLimit)
        return {};
    bool hasTransparency = false;
    const QImage rgba = binaryAlpha(picture, hasTransparency);

    LiqAttr attr(liq_attr_create());
    if (!attr)
        return {};
    liq_set_max_colors(attr.get(), 256);
    liq_set_speed(attr.get(), 6);
    liq_attr_set_progress_callback(attr.get(), keepGoing, const_cast<std::atomic_bool*>(cancel));
    // The rows of a QImage are 32-bit aligned, so RGBA rows are exactly width * 4 bytes.
    LiqImage image(liq_image_create_rgba(attr.get(), rgba.constBits(), rgba.width(), rgba.height(), 0));
    liq_result* quantized = nullptr;
    if (!image || liq_image_quantize(image.get(), attr.get(), &quantized) != LIQ_OK)
        return {};
    LiqResult result(quantized);
    liq_set_dithering_level(result.get(), 0.5f);
    liq_result_set_progress_callback(result.get(), keepGoing, const_cast<std::atomic_bool*>(cancel));

    std::vector<unsigned char> pixels(std::size_t(rgba.width()) * std::size_t(rgba.height()));
    if (liq_write_remapped_image(result.get(), image.get(), pixels.data(), pixels.size()) != LIQ_OK)
        return {};
    const Palette palette = gifPalette(*liq_get_palette(result.get()), hasTransparency);
    if (palette.transparentIndex >= 0) {
        // Every pixel on a translucent entry becomes the one transparent entry.
        const liq_palette& quantizedPalette = *liq_get_palette(result.get());
        for (unsigned char& index : pixels) {
            if (quantizedPalette.entries[index].a < OpaqueFrom)
                index = static_cast<unsigned char>(palette.transparentIndex);
        }
    }
    if (cancel && cancel->load())
        return {};
    QByteArray out;
    if (!writeGif(out, rgba.width(), rgba.height(), palette, pixels))
        return {};
    return out;
}

} // namespace GifEncoder
