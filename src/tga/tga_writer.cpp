// Writing a TgaImage in the one form the tool produces: uncompressed, 32 bits
// per pixel, bottom-up, no footer.
#include <algorithm>
#include <memory>

#include "tga/pixel_blend.h"
#include "tga/tga_image.h"

namespace {

// Pixels are converted (and blended) in blocks of whole rows of about this
// many bytes: small enough to stay in the cache, large enough that each write
// moves a good amount of data.
constexpr std::size_t kWriteBlock = 64 * 1024;

// Puts pixels first .. first + count - 1 of the image into `out` as written:
// blue, green, red, alpha (or fillAlpha).
void convertPixels(const TgaImage& image, std::uint64_t first, std::uint64_t count,
                   std::uint8_t fillAlpha, std::uint8_t* out) {
    if (image.hasAlpha()) {
        std::copy_n(image.pixels.data() + first * tga::kOutputBytesPerPixel, count * tga::kOutputBytesPerPixel, out);
        return;
    }
    const std::uint32_t stride = image.stride();
    const std::uint8_t* pixel = image.pixels.data() + first * stride;
    if (stride == 3) {
        tga::widenRun(pixel, out, static_cast<std::size_t>(count), fillAlpha);
        return;
    }
    for (std::uint64_t i = 0; i < count; ++i, pixel += stride, out += tga::kOutputBytesPerPixel) {
        out[tga::kBlue] = pixel[tga::kBlue];
        out[tga::kGreen] = pixel[tga::kGreen];
        out[tga::kRed] = pixel[tga::kRed];
        out[tga::kAlpha] = fillAlpha;
    }
}

// Writes the pixels block by block, laying `mask` (if any) over each converted
// block as blend() would over the image.
bool writeConverted(tga::ByteSink& out, const TgaImage& image, const TgaImage* mask, std::uint8_t fillAlpha) {
    const std::uint64_t rowBytes = std::uint64_t{image.width} * tga::kOutputBytesPerPixel;
    if (rowBytes == 0 || image.height == 0) return true;
    const std::uint32_t rowsPerBlock = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(image.height, std::max<std::uint64_t>(1, kWriteBlock / rowBytes)));
    // Every byte of the block is written before it is used: no zero fill.
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[static_cast<std::size_t>(rowsPerBlock * rowBytes)]);

    // Mask and image are aligned at their first pixel; only the rows and
    // columns both have are blended.
    const std::uint32_t maskedRows = mask ? std::min(image.height, mask->height) : 0;
    const std::uint32_t maskedCols = mask ? std::min(image.width, mask->width) : 0;
    const tga::PixelLayout blockLayout{tga::kOutputBytesPerPixel, image.hasAlpha()};

    const tga::PixelLayout maskLayout = mask ? tga::PixelLayout{mask->stride(), mask->hasAlpha()}
                                             : tga::PixelLayout{0, false};
    for (std::uint32_t top = 0; top < image.height; top += rowsPerBlock) {
        std::uint32_t rows = std::min(rowsPerBlock, image.height - top);
        // 4-byte pixels under the mask are blended straight into the block;
        // all else is put there first, then blended.
        const bool blendIntoBlock = image.hasAlpha() && maskLayout.stride == 4;
        const std::uint32_t firstConverted = blendIntoBlock ? std::min(top + rows, std::max(top, maskedRows)) : top;
        for (std::uint32_t r = top; r < firstConverted; ++r) {
            const std::uint8_t* row = image.pixels.data() + std::uint64_t{r} * rowBytes;
            std::uint8_t* into = block.get() + (r - top) * rowBytes;
            const std::uint8_t* maskRow = mask->pixels.data() + std::uint64_t{r} * mask->width * 4;
            tga::blendRunInto(row, into, true, maskRow, maskLayout, maskedCols);
            std::copy(row + std::uint64_t{maskedCols} * 4, row + rowBytes, into + std::uint64_t{maskedCols} * 4);
        }
        convertPixels(image, std::uint64_t{firstConverted} * image.width,
                      std::uint64_t{top + rows - firstConverted} * image.width, fillAlpha,
                      block.get() + (firstConverted - top) * rowBytes);
        for (std::uint32_t r = firstConverted; r < std::min(top + rows, maskedRows); ++r) {
            const std::uint8_t* maskRow = mask->pixels.data() + std::uint64_t{r} * mask->width * mask->stride();
            tga::blendRun(block.get() + (r - top) * rowBytes, blockLayout, maskRow, maskLayout, maskedCols);
        }
        if (!out.write(block.get(), static_cast<std::size_t>(rows * rowBytes))) return false;
    }
    return true;
}

// save() and saveBlended(): `mask` null for none.
bool writeRecord(TgaImage& image, tga::ByteSink& out, const TgaImage* mask, std::uint8_t fillAlpha) {
    if (!image.isLoaded()) return false;
    if (mask != nullptr && mask->pixels.empty()) mask = nullptr;  // blend() would do nothing
    // The record itself now declares what the file will hold.
    image.header[tga::kImageTypeOffset] = tga::kOutputImageType;
    image.header[tga::kDescriptorOffset] = tga::kOutputDescriptor;
    image.header[tga::kPixelDepthOffset] = tga::kOutputDepth;
    if (!out.write(image.header.data(), image.headerSize)) return false;
    if (mask == nullptr && image.hasAlpha()) {
        // 32-bit pixels are stored exactly as the file wants them.
        return out.write(image.pixels.data(), static_cast<std::size_t>(image.pixelDataBytes()));
    }
    return writeConverted(out, image, mask, fillAlpha);
}

}  // namespace

bool TgaImage::save(tga::ByteSink& out, std::uint8_t fillAlpha) {
    return writeRecord(*this, out, nullptr, fillAlpha);
}

bool TgaImage::saveBlended(tga::ByteSink& out, const TgaImage& mask, std::uint8_t fillAlpha) {
    if (stride() < 3) {
        // Pixels that share bytes blend differently in place than after
        // widening: blend a copy first, as defined.
        TgaImage blended(*this);
        blended.blend(mask);
        bool saved = blended.save(out, fillAlpha);
        if (blended.isLoaded()) header.swap(blended.header);  // as save() left it
        return saved;
    }
    return writeRecord(*this, out, &mask, fillAlpha);
}
