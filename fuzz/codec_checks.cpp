// The checks of the codec: on byte buffers alone, without files.
#include <algorithm>

#include "checks.h"
#include "tga/tga_image.h"

namespace fuzz_checks {
namespace {

// Not 255, so that a writer that ignores it is caught.
constexpr std::uint8_t kFillAlpha = 0xA5;

std::string describe(const char* what, std::uint64_t value) {
    return std::string(what) + " " + std::to_string(value);
}

// --- the reader ------------------------------------------------------------

std::string comparePixels(const TgaImage& original, const TgaImage& reloaded) {
    std::uint64_t n = std::uint64_t{original.width} * original.height;
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint8_t* before = original.pixels.data() + i * original.stride();
        const std::uint8_t* after = reloaded.pixels.data() + i * 4;
        for (std::size_t k : {tga::kBlue, tga::kGreen, tga::kRed}) {
            if (before[k] != after[k]) return describe("the round trip changed a colour of pixel", i);
        }
        std::uint8_t alpha = original.hasAlpha() ? before[tga::kAlpha] : kFillAlpha;
        if (after[tga::kAlpha] != alpha) return describe("the round trip changed the alpha of pixel", i);
    }
    return "";
}

// Saves a copy of `original` (save() rewrites the header) and decodes the
// bytes again into `reloaded`: the file must be of the promised size and
// give back the size and every pixel. The bytes get their room, slack
// included, in one allocation: a doubling for a picture of many MiB would
// look to libFuzzer's -malloc_limit_mb like an excessive claim.
std::string saveAndReload(const TgaImage& original, TgaImage& reloaded) {
    TgaImage image = original;
    tga::ByteBuffer saved;
    saved.reserve(static_cast<std::size_t>(image.savedFileBytes() + tga::kSlackBytes));
    tga::BufferSink sink(saved);
    if (!image.save(sink, kFillAlpha)) return "a full picture could not be saved";
    if (saved.size() != image.savedFileBytes()) {
        return describe("the saved file's size differs from savedFileBytes():", saved.size());
    }
    if (!reloaded.load(std::move(saved)) || reloaded.content() != TgaContent::Picture) {
        return "the saved file does not load as a full picture";
    }
    if (reloaded.width != original.width || reloaded.height != original.height ||
        reloaded.bitsPerPixel != tga::kDepth32) {
        return "the saved file declares another size or depth";
    }
    return comparePixels(original, reloaded);
}

std::string readerProperties(const std::uint8_t* data, std::size_t size) {
    TgaImage image;
    if (!image.load(tga::ByteBuffer(data, data + size))) {
        if (!image.header.empty() || !image.pixels.empty()) return "a failed load left data in the record";
        return "";
    }
    if (image.content() != TgaContent::Picture) {
        if (image.pixels.size() > tga::kMaxUnbackedBufferBytes) {
            return describe("a record without a full picture holds pixel bytes:", image.pixels.size());
        }
        return "";
    }
    if (!image.isLoaded()) return "a full picture is not isLoaded()";
    if (image.bitsPerPixel != tga::kDepth24 && image.bitsPerPixel != tga::kDepth32) {
        return describe("a full picture has depth", image.bitsPerPixel);
    }
    if (image.pixels.size() != image.pixelDataBytes() + tga::kSlackBytes) {
        return describe("a full picture's buffer has the wrong size", image.pixels.size());
    }

    TgaImage reloaded;
    const std::string changed = saveAndReload(image, reloaded);
    if (!changed.empty()) return changed;
    if (reloaded.headerSize != image.headerSize ||
        !std::equal(image.header.begin() + tga::kHeaderLength, image.header.begin() + image.headerSize,
                    reloaded.header.begin() + tga::kHeaderLength)) {
        return "the round trip changed the image ID";
    }
    return "";
}

// --- the blend -------------------------------------------------------------

// Bytes 0-2 give the target's width, height and depth code, bytes 3-5 the
// mask's; the rest fills both pixel buffers, over and over.
constexpr std::size_t kBlendParameterBytes = 6;
constexpr std::uint32_t kMaxBlendSide = 40;

// A depth code with bit 7 set is taken as a raw depth below 64 that the tool
// never blends (only memory safety is checked then); otherwise bit 0 picks
// 24 or 32 bits.
std::uint32_t depthFromCode(std::uint8_t code) {
    if (code & 0x80) return code & 0x3F;
    return (code & 1) ? tga::kDepth32 : tga::kDepth24;
}

TgaImage makeImage(const std::uint8_t* parameters, const std::uint8_t* fill, std::size_t fillSize,
                   std::size_t& fillAt) {
    TgaImage image;
    image.width = parameters[0] % (kMaxBlendSide + 1);
    image.height = parameters[1] % (kMaxBlendSide + 1);
    image.bitsPerPixel = depthFromCode(parameters[2]);
    image.header.assign(tga::kHeaderBlockSize, 0);
    image.headerSize = tga::kHeaderLength;
    // The same buffer layout as the reader makes: pixels, then the slack.
    image.pixels.resize(static_cast<std::size_t>(image.pixelDataBytes() + tga::kSlackBytes));
    for (std::uint8_t& byte : image.pixels) {
        byte = fillSize == 0 ? static_cast<std::uint8_t>(fillAt * 37) : fill[fillAt % fillSize];
        ++fillAt;
    }
    return image;
}

bool meaningfulDepth(const TgaImage& image) {
    return image.bitsPerPixel == tga::kDepth24 || image.bitsPerPixel == tga::kDepth32;
}

std::string blendProperties(const TgaImage& before, const TgaImage& after, const TgaImage& mask) {
    std::uint32_t stride = before.stride();
    std::uint32_t rows = std::min(before.height, mask.height);
    std::uint32_t cols = std::min(before.width, mask.width);
    std::uint64_t pixelBytes = before.pixelDataBytes();
    for (std::size_t j = 0; j < before.pixels.size(); ++j) {
        if (before.pixels[j] == after.pixels[j]) continue;
        std::uint64_t pixel = j / stride;
        bool colourByte = j < pixelBytes && j % stride < 3 && pixel / before.width < rows &&
                          pixel % before.width < cols;
        if (!colourByte) return describe("the blend changed a byte that is no shared colour byte:", j);
    }
    for (std::uint32_t r = 0; r < rows; ++r) {
        for (std::uint32_t c = 0; c < cols; ++c) {
            std::uint64_t p = (std::uint64_t{r} * before.width + c) * stride;
            std::uint64_t q = (std::uint64_t{r} * mask.width + c) * mask.stride();
            std::uint32_t maskAlpha = mask.hasAlpha() ? mask.pixels[q + tga::kAlpha] : 255;
            for (std::size_t k : {tga::kBlue, tga::kGreen, tga::kRed}) {
                if (maskAlpha == 255 && after.pixels[p + k] != mask.pixels[q + k]) {
                    return describe("an opaque mask pixel did not come through at byte", p + k);
                }
                if (maskAlpha == 0 && after.pixels[p + k] != before.pixels[p + k]) {
                    return describe("a transparent mask pixel changed byte", p + k);
                }
            }
        }
    }
    return "";
}

// The blended copy saved, and the unblended image saved with the mask laid
// over it on the way: the bytes must be the same, and the image unchanged.
std::string compareSavedBlends(const TgaImage& before, TgaImage blended, const TgaImage& mask) {
    TgaImage image = before;
    tga::ByteBuffer copied, onTheWay;
    tga::BufferSink copiedSink(copied), onTheWaySink(onTheWay);
    if (!blended.save(copiedSink, kFillAlpha)) return "the blended copy could not be saved";
    if (!image.saveBlended(onTheWaySink, mask, kFillAlpha)) return "saveBlended failed";
    if (image.pixels != before.pixels) return "saveBlended changed the image's pixels";
    if (copied != onTheWay) return "saveBlended wrote other bytes than blend and save";
    return "";
}

// --- PNG files -------------------------------------------------------------

// The bounds of src/tga/png_reader.cpp. Deflate turns one byte into at
// most 1032, each a pixel of up to 4 bytes once read: a PNG file may never
// give more pixel bytes than that many times its own size, nor a small one
// more than the buffer any record may have without bytes to back it.
constexpr std::uint64_t kMostPixelBytesPerFileByte = 1032 * 4;
constexpr std::size_t kSmallInput = tga::kMaxUnbackedBufferBytes / kMostPixelBytesPerFileByte;  // 1016
// Above 4096 x 4096, a picture needs a byte of its file for every 256 of its
// pixel bytes (no decompression bomb).
constexpr std::uint64_t kLargePicture = 4096ull * 4096 * 4;
constexpr std::uint64_t kLargePictureInflation = 256;

// A record that holds something, so that a load into it must replace all.
TgaImage stalePicture() {
    TgaImage image;
    image.width = 3;
    image.height = 2;
    image.bitsPerPixel = tga::kDepth24;
    image.header.assign(tga::kHeaderBlockSize, 0x5A);
    image.headerSize = tga::kHeaderLength + 7;
    image.pixels.assign(static_cast<std::size_t>(image.pixelDataBytes() + tga::kSlackBytes), 0xC3);
    return image;
}

bool sameRecord(const TgaImage& a, const TgaImage& b) {
    return a.content() == b.content() && a.header == b.header && a.headerSize == b.headerSize &&
           a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel && a.pixels == b.pixels;
}

std::string pngProperties(const std::uint8_t* data, std::size_t size) {
    TgaImage image = stalePicture();
    if (!image.loadPng(data, size)) {
        if (!image.header.empty() || !image.pixels.empty() || image.headerSize != 0) {
            return "a failed PNG load left data in the record";
        }
        if (image.content() != TgaContent::None) return "a failed PNG load left a content";
        return "";
    }
    if (image.content() != TgaContent::Picture) return "a loaded PNG is no full picture";
    if (!image.isLoaded()) return "a loaded PNG is not isLoaded()";
    if (image.bitsPerPixel != tga::kDepth32) return describe("a loaded PNG has depth", image.bitsPerPixel);
    if (image.width == 0 || image.height == 0 || image.width > 0xFFFF || image.height > 0xFFFF) {
        return describe("a loaded PNG has a side beyond a TGA's:", std::max(image.width, image.height));
    }
    const std::uint64_t pixelBytes = std::uint64_t{image.width} * image.height * tga::kOutputBytesPerPixel;
    if (image.pixels.size() != pixelBytes + tga::kSlackBytes) {
        return describe("a loaded PNG's buffer has the wrong size", image.pixels.size());
    }
    if (pixelBytes > std::max<std::uint64_t>(tga::kMaxUnbackedBufferBytes, size * kMostPixelBytesPerFileByte)) {
        return describe("a loaded PNG has more pixel bytes than its file can hold:", pixelBytes);
    }
    if (pixelBytes > std::max<std::uint64_t>(kLargePicture, size * kLargePictureInflation)) {
        return describe("a loaded PNG is a decompression bomb of pixel bytes:", pixelBytes);
    }
    if (size <= kSmallInput && image.pixels.size() > tga::kMaxUnbackedBufferBytes + tga::kSlackBytes) {
        return describe("a small PNG file got a pixel buffer of", image.pixels.size());
    }
    if (!std::all_of(image.pixels.begin() + static_cast<std::ptrdiff_t>(pixelBytes), image.pixels.end(),
                     [](std::uint8_t byte) { return byte == 0; })) {
        return "a loaded PNG's slack is not zero";
    }

    const TgaImage& original = image;
    TgaImage reloaded;
    const std::string changed = saveAndReload(original, reloaded);
    if (!changed.empty()) return changed;

    // Decoded again into a record that holds another picture: the same record.
    if (!reloaded.loadPng(data, size)) return "a PNG that loaded once failed the second time";
    if (!sameRecord(reloaded, original)) return "a second load of the same PNG gave another record";
    return "";
}

}  // namespace

std::string checkPng(const std::uint8_t* data, std::size_t size) {
    return pngProperties(data, size);
}

std::string checkReader(const std::uint8_t* data, std::size_t size) {
    return readerProperties(data, size);
}

std::string checkBlend(const std::uint8_t* data, std::size_t size) {
    std::uint8_t parameters[kBlendParameterBytes] = {};
    std::copy(data, data + std::min(size, kBlendParameterBytes), parameters);
    const std::uint8_t* fill = data + std::min(size, kBlendParameterBytes);
    std::size_t fillSize = size - std::min(size, kBlendParameterBytes);
    std::size_t fillAt = 0;
    TgaImage target = makeImage(parameters, fill, fillSize, fillAt);
    const TgaImage mask = makeImage(parameters + 3, fill, fillSize, fillAt);
    const TgaImage before = target;
    const TgaImage maskBefore = mask;

    if (!target.blend(mask)) return "blend refused two images with pixel buffers";
    if (mask.pixels != maskBefore.pixels) return "the blend changed the mask";
    if (!meaningfulDepth(target) || !meaningfulDepth(mask)) return "";
    std::string problem = blendProperties(before, target, mask);
    if (!problem.empty()) return problem;
    return compareSavedBlends(before, target, mask);
}

}  // namespace fuzz_checks
