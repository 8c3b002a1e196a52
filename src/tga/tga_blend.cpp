// Copying images and laying a mask over an image.
#include <algorithm>
#include <cstring>
#include <new>

#include "tga/blend_avx2.h"
#include "tga/blend_path.h"
#include "tga/pixel_blend.h"
#include "tga/tga_image.h"

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

// Mask and image are aligned at their first stored pixel; only the rows and
// columns both have are touched.
bool TgaImage::blend(const TgaImage& mask) {
    if (pixels.empty() || mask.pixels.empty()) return false;
    std::uint32_t rows = std::min(height, mask.height);
    std::uint32_t cols = std::min(width, mask.width);
    const tga::PixelLayout imageLayout{stride(), hasAlpha()};
    const tga::PixelLayout maskLayout{mask.stride(), mask.hasAlpha()};
    for (std::uint32_t r = 0; r < rows; ++r) {
        tga::blendRun(pixels.data() + std::uint64_t{r} * width * stride(), imageLayout,
                      mask.pixels.data() + std::uint64_t{r} * mask.width * mask.stride(), maskLayout, cols);
    }
    return true;
}

namespace tga {
namespace {

constexpr std::uint32_t kOpaque = 255;

// One pixel at a time, exactly as the operator is defined: right for any
// layout, overlapping pixels included.
void blendEachPixel(std::uint8_t* image, PixelLayout imageLayout, const std::uint8_t* mask,
                    PixelLayout maskLayout, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* pixel = image + i * imageLayout.stride;
        const std::uint8_t* over = mask + i * maskLayout.stride;
        std::uint32_t aImage = imageLayout.hasAlpha ? pixel[kAlpha] : kOpaque;
        std::uint32_t aMask = maskLayout.hasAlpha ? over[kAlpha] : kOpaque;
        std::uint32_t wImage = (kOpaque - aMask) * aImage / kOpaque;
        std::uint32_t total = aMask + wImage;
        if (total == 0) continue;
        for (std::size_t k : {kBlue, kGreen, kRed}) {
            pixel[k] = static_cast<std::uint8_t>((over[k] * aMask + pixel[k] * wImage) / total);
        }
    }
}

// x / 255 for x <= 255 * 255, without a division.
inline std::uint16_t divideBy255(std::uint16_t x) {
    return static_cast<std::uint16_t>((x + 1 + (x >> 8)) >> 8);
}

// The same operator for the layouts of 24 and 32 bit pixels, fixed at compile
// time and written without branches, so that the compiler computes several
// pixels per instruction. Over an opaque image the weights always add up to
// 255, and the division is by that constant, in 16-bit lanes. Otherwise it is
// done in float: numerator (at most 255 * total < 2^16) and divisor are exact
// in float, the quotient is correctly rounded, and a quotient short of an
// integer by at least 1/255 cannot round up to it, so truncating gives exactly
// the integer quotient. Signed lanes convert to and from float in one
// instruction.
template <std::uint32_t kImageStride, bool kImageAlpha, std::uint32_t kMaskStride, bool kMaskAlpha>
void blendFixedLayout(std::uint8_t* image, const std::uint8_t* mask, std::size_t count) {
    constexpr std::int32_t kOpaqueLane = static_cast<std::int32_t>(kOpaque);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* pixel = image + i * kImageStride;
        const std::uint8_t* over = mask + i * kMaskStride;
        std::uint8_t result[4];
        if constexpr (!kImageAlpha) {
            std::uint16_t aMask = kMaskAlpha ? over[kAlpha] : kOpaque;
            auto wImage = static_cast<std::uint16_t>(kOpaque - aMask);
            for (std::size_t k = 0; k < 3; ++k) {
                result[k] = static_cast<std::uint8_t>(
                    divideBy255(static_cast<std::uint16_t>(over[k] * aMask + pixel[k] * wImage)));
            }
        } else {
            std::int32_t aImage = pixel[kAlpha];
            std::int32_t aMask = kMaskAlpha ? over[kAlpha] : kOpaqueLane;
            std::int32_t wImage = (kOpaqueLane - aMask) * aImage / kOpaqueLane;
            std::int32_t total = aMask + wImage;
            // Total 0: nothing is laid over and the colour stays (keep = all
            // ones).
            std::int32_t nothingOver = total == 0;
            std::int32_t keep = -nothingOver;
            float divisor = static_cast<float>(total + nothingOver);
            for (std::size_t k = 0; k < 3; ++k) {
                std::int32_t colour = pixel[k];
                auto blended = static_cast<std::int32_t>(
                    static_cast<float>(over[k] * aMask + colour * wImage) / divisor);
                result[k] = static_cast<std::uint8_t>((colour & keep) | (blended & ~keep));
            }
        }
        // The fourth byte is written back as it was: whole pixels are stored,
        // which lets the loop run on vectors.
        if constexpr (kImageStride == 4) result[kAlpha] = pixel[kAlpha];
        for (std::size_t k = 0; k < kImageStride; ++k) pixel[k] = result[k];
    }
}

template <std::uint32_t kImageStride, bool kImageAlpha, std::uint32_t kMaskStride, bool kMaskAlpha>
void blendFixedLayouts(std::uint8_t* image, const std::uint8_t* mask, std::size_t count) {
    if constexpr (!kImageAlpha) {
        blendFixedLayout<kImageStride, false, kMaskStride, kMaskAlpha>(image, mask, count);
    } else {
        // Where an image with alpha is opaque, the cheaper opaque arithmetic
        // gives the same result: icons are mostly opaque, so it is taken for
        // every stretch of pixels that is.
        constexpr std::size_t kStretch = 64;
        for (std::size_t done = 0; done < count; done += kStretch) {
            std::size_t length = std::min(kStretch, count - done);
            std::uint8_t* stretch = image + done * kImageStride;
            const std::uint8_t* over = mask + done * kMaskStride;
            std::uint8_t alphaAnd = kOpaque;
            for (std::size_t i = 0; i < length; ++i) alphaAnd &= stretch[i * kImageStride + kAlpha];
            if (alphaAnd == kOpaque) {
                blendFixedLayout<kImageStride, false, kMaskStride, kMaskAlpha>(stretch, over, length);
            } else {
                blendFixedLayout<kImageStride, true, kMaskStride, kMaskAlpha>(stretch, over, length);
            }
        }
    }
}

template <std::uint32_t kImageStride, bool kImageAlpha>
void blendOverAnyMask(std::uint8_t* image, const std::uint8_t* mask, PixelLayout maskLayout,
                      std::size_t count) {
    if (maskLayout.stride == 4 && maskLayout.hasAlpha) {
        blendFixedLayouts<kImageStride, kImageAlpha, 4, true>(image, mask, count);
    } else if (maskLayout.stride == 3 && !maskLayout.hasAlpha) {
        blendFixedLayouts<kImageStride, kImageAlpha, 3, false>(image, mask, count);
    } else {
        blendEachPixel(image, PixelLayout{kImageStride, kImageAlpha}, mask, maskLayout, count);
    }
}

// The portable path: what every CPU of the target runs. Kept out of line:
// inlined, its large frame would be set up on every call of blendRun (once per
// row), the AVX2 path's calls included.
[[gnu::noinline]] void blendPortable(std::uint8_t* image, PixelLayout imageLayout, const std::uint8_t* mask,
                   PixelLayout maskLayout, std::size_t count) {
    if (imageLayout.stride == 4 && imageLayout.hasAlpha) {
        blendOverAnyMask<4, true>(image, mask, maskLayout, count);
    } else if (imageLayout.stride == 4) {
        blendOverAnyMask<4, false>(image, mask, maskLayout, count);
    } else if (imageLayout.stride == 3 && !imageLayout.hasAlpha) {
        blendOverAnyMask<3, false>(image, mask, maskLayout, count);
    } else {
        blendEachPixel(image, imageLayout, mask, maskLayout, count);
    }
}

bool cpuRunsAvx2() {
#if BD_BLEND_AVX2
    // Asked by hand: the path is chosen while static objects are built,
    // possibly before the runtime has filled in the CPU's features. The answer
    // covers the operating system too: AVX2 counts only where it saves the
    // 256-bit registers on a task switch.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

BlendPath chosenPath = bestBlendPath();

}  // namespace

bool blendPathAvailable(BlendPath path) {
    return path == BlendPath::Baseline || (path == BlendPath::Avx2 && cpuRunsAvx2());
}

BlendPath bestBlendPath() {
    return cpuRunsAvx2() ? BlendPath::Avx2 : BlendPath::Baseline;
}

bool forceBlendPath(BlendPath path) {
    if (!blendPathAvailable(path)) return false;
    chosenPath = path;
    return true;
}

// The AVX2 path covers 4-byte image pixels under 32-bit masks: every block the
// writer blends has 4-byte pixels, and masks are 32-bit pictures as a rule.
// Other layouts take the portable loops on every path.
void blendRun(std::uint8_t* image, PixelLayout imageLayout, const std::uint8_t* mask,
              PixelLayout maskLayout, std::size_t count) {
#if BD_BLEND_AVX2
    if (chosenPath == BlendPath::Avx2 && imageLayout.stride == 4 && maskLayout.stride == 4 && maskLayout.hasAlpha) {
        blendOver32BitMaskAvx2(image, image, imageLayout.hasAlpha, mask, count);
        return;
    }
#endif
    blendPortable(image, imageLayout, mask, maskLayout, count);
}

void blendRunInto(const std::uint8_t* image, std::uint8_t* out, bool imageHasAlpha, const std::uint8_t* mask,
                  PixelLayout maskLayout, std::size_t count) {
#if BD_BLEND_AVX2
    if (chosenPath == BlendPath::Avx2 && maskLayout.stride == 4 && maskLayout.hasAlpha) {
        blendOver32BitMaskAvx2(image, out, imageHasAlpha, mask, count);
        return;
    }
#endif
    std::memcpy(out, image, count * 4);
    blendRun(out, PixelLayout{4, imageHasAlpha}, mask, maskLayout, count);
}

void widenRun(const std::uint8_t* in, std::uint8_t* out, std::size_t count, std::uint8_t alpha) {
    std::size_t done = 0;
#if BD_BLEND_AVX2
    if (chosenPath == BlendPath::Avx2) done = widenAvx2(in, out, count, alpha);
#endif
    for (const std::uint8_t* pixel = in + done * 3; done < count; ++done, pixel += 3) {
        std::uint8_t* widened = out + done * 4;
        widened[kBlue] = pixel[kBlue];
        widened[kGreen] = pixel[kGreen];
        widened[kRed] = pixel[kRed];
        widened[kAlpha] = alpha;
    }
}

}  // namespace tga
