// Copying images and laying a mask over an image.
#include <algorithm>
#include <new>

#include "tga/tga_image.h"

bool TgaImage::sameSize(const TgaImage& other) const {
    return width == other.width && height == other.height;
}

TgaImage& TgaImage::assign(const TgaImage& other) {
    if (&other == this) return *this;
    try {
        // Whole blocks, the image ID's spare room and the slack included.
        header = other.header;
        pixels = other.pixels;
    } catch (const std::bad_alloc&) {
        release();
        return *this;
    }
    headerSize = other.headerSize;
    width = other.width;
    height = other.height;
    bitsPerPixel = other.bitsPerPixel;
    content_ = other.content_;
    return *this;
}

// The "over" operator with the mask in front, in unsigned 32-bit integer
// arithmetic with truncating division. Mask and image are aligned at their
// first stored pixel; only the rows and columns both have are touched.
bool TgaImage::blend(const TgaImage& mask) {
    if (pixels.empty() || mask.pixels.empty()) return false;
    const std::uint32_t kOpaque = 255;
    std::uint32_t rows = std::min(height, mask.height);
    std::uint32_t cols = std::min(width, mask.width);
    for (std::uint32_t r = 0; r < rows; ++r) {
        for (std::uint32_t c = 0; c < cols; ++c) {
            std::uint64_t p = std::uint64_t{r} * width + c;
            std::uint64_t q = std::uint64_t{r} * mask.width + c;
            std::uint8_t* pixel = pixels.data() + p * stride();
            const std::uint8_t* over = mask.pixels.data() + q * mask.stride();
            std::uint32_t aImage = hasAlpha() ? pixel[tga::kAlpha] : kOpaque;
            std::uint32_t aMask = mask.hasAlpha() ? over[tga::kAlpha] : kOpaque;
            std::uint32_t wImage = (kOpaque - aMask) * aImage / kOpaque;
            std::uint32_t total = aMask + wImage;
            if (total == 0) continue;
            for (std::size_t k : {tga::kBlue, tga::kGreen, tga::kRed}) {
                pixel[k] = static_cast<std::uint8_t>((over[k] * aMask + pixel[k] * wImage) / total);
            }
        }
    }
    return true;
}
