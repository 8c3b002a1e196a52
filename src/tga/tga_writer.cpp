// Writing a TgaImage in the one form the tool produces: uncompressed,
// 32 bits per pixel, declared bottom-up, no run-length coding, no footer.
#include <algorithm>

#include "platform/platform.h"
#include "tga/tga_image.h"

namespace {

// Pixels are converted and written in blocks of this many bytes.
constexpr std::size_t kWriteBlock = 64 * 1024;

// Widens pixels of any depth but 32 to blue, green, red, fillAlpha.
bool writeWidened(platform::ReplacementFile& out, const TgaImage& image, std::uint8_t fillAlpha) {
    std::vector<std::uint8_t> block(kWriteBlock);
    std::size_t used = 0;
    std::uint64_t n = std::uint64_t{image.width} * image.height;
    const std::uint8_t* pixels = image.pixels.data();
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint8_t* pixel = pixels + i * image.stride();
        block[used + tga::kBlue] = pixel[tga::kBlue];
        block[used + tga::kGreen] = pixel[tga::kGreen];
        block[used + tga::kRed] = pixel[tga::kRed];
        block[used + tga::kAlpha] = fillAlpha;
        used += tga::kOutputBytesPerPixel;
        if (used == block.size()) {
            if (!out.write(block.data(), used)) return false;
            used = 0;
        }
    }
    return out.write(block.data(), used);
}

}  // namespace

bool TgaImage::save(const std::string& fileName, std::uint8_t fillAlpha) {
    if (!isLoaded()) return false;
    platform::ReplacementFile out;
    if (!out.open(fileName)) return false;

    // The record itself now declares what the file will hold.
    header[tga::kImageTypeOffset] = tga::kOutputImageType;
    header[tga::kDescriptorOffset] = tga::kOutputDescriptor;
    header[tga::kPixelDepthOffset] = tga::kOutputDepth;
    if (!out.write(header.data(), headerSize)) return false;

    bool written;
    if (hasAlpha()) {
        // 32-bit pixels are stored exactly as the file wants them.
        written = out.write(pixels.data(), static_cast<std::size_t>(pixelDataBytes()));
    } else {
        written = writeWidened(out, *this, fillAlpha);
    }
    return written && out.commit();
}
