// Laying mask pixels over image pixels: the arithmetic shared by
// TgaImage::blend and the writer, which blends each variant on its way to the
// file instead of blending a full copy first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tga {

// How a run of pixels lies in memory.
struct PixelLayout {
    std::uint32_t stride;  // bytes from one pixel to the next (may be < 3)
    bool hasAlpha;         // byte 3 of each pixel is its alpha; else opaque
};

// Lays mask pixel i over image pixel i for i < count, with the "over" operator
// (mask in front) in unsigned integer arithmetic with truncating division;
// only the image's colour bytes change. Pixels are taken in order, so
// overlapping pixels (strides below 3) give what a pixel-by-pixel loop gives.
void blendRun(std::uint8_t* image, PixelLayout imageLayout, const std::uint8_t* mask,
              PixelLayout maskLayout, std::size_t count);

// The same for 4-byte image pixels, with the result put at `out` and the image
// left as it is: what copying them to `out` and blending there gives, without
// the copy where the machine allows.
void blendRunInto(const std::uint8_t* image, std::uint8_t* out, bool imageHasAlpha, const std::uint8_t* mask,
                  PixelLayout maskLayout, std::size_t count);

// Widens `count` 3-byte pixels (blue, green, red) at `in` to 4-byte ones at
// `out`, with `alpha` as every fourth byte.
void widenRun(const std::uint8_t* in, std::uint8_t* out, std::size_t count, std::uint8_t alpha);

}  // namespace tga
