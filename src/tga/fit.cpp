// Fitting a picture to another size: scaled to fit inside, centred, with
// transparent padding, the way careful image tools scale. stb_image_resize
// (Debian's libstb-dev) weights each colour by its alpha (no dark or
// coloured fringes from transparent pixels), works in linear light (sRGB
// taken apart and put together again) and uses the Mitchell filter.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb_image_resize.h>

#include <algorithm>
#include <cmath>

#include "tga/tga_image.h"

bool TgaImage::fitTo(std::uint32_t targetWidth, std::uint32_t targetHeight) {
    if (!isLoaded() || bitsPerPixel != tga::kDepth32 || width == 0 || height == 0 || targetWidth == 0 ||
        targetHeight == 0) {
        return false;
    }
    // The largest size of the picture's proportions that fits, at least a
    // pixel each way, and where it lies: in the middle, the odd pixel of
    // padding (if any) right and above (the rows are stored bottom-up).
    const double scale = std::min(double(targetWidth) / width, double(targetHeight) / height);
    const auto fittedWidth = static_cast<std::uint32_t>(std::clamp(std::lround(width * scale), 1L, long(targetWidth)));
    const auto fittedHeight =
        static_cast<std::uint32_t>(std::clamp(std::lround(height * scale), 1L, long(targetHeight)));
    const std::uint32_t left = (targetWidth - fittedWidth) / 2;
    const std::uint32_t bottom = (targetHeight - fittedHeight) / 2;

    tga::ByteBuffer fitted(std::size_t{targetWidth} * targetHeight * 4 + tga::kSlackBytes, 0);
    std::uint8_t* start = fitted.data() + (std::size_t{bottom} * targetWidth + left) * 4;
    if (!stbir_resize_uint8_generic(pixels.data(), int(width), int(height), int(width * 4), start, int(fittedWidth),
                                    int(fittedHeight), int(targetWidth * 4), 4, tga::kAlpha, 0, STBIR_EDGE_CLAMP,
                                    STBIR_FILTER_MITCHELL, STBIR_COLORSPACE_SRGB, nullptr)) {
        return false;
    }
    pixels.swap(fitted);
    width = targetWidth;
    height = targetHeight;
    header[tga::kWidthOffset] = static_cast<std::uint8_t>(width & 0xFF);
    header[tga::kWidthOffset + 1] = static_cast<std::uint8_t>(width >> 8);
    header[tga::kHeightOffset] = static_cast<std::uint8_t>(height & 0xFF);
    header[tga::kHeightOffset + 1] = static_cast<std::uint8_t>(height >> 8);
    return true;
}
