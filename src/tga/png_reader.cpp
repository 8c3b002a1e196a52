// Decoding a PNG file's bytes into a TgaImage with Debian's libpng: every
// colour type and depth, interlaced or not, into the record's one form, 32
// bits, blue, green, red, alpha, bottom row first. Colours are taken as they
// are (sRGB): no gamma or colour profile is applied.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "tga/tga_image.h"

namespace {

// Deflate turns one byte into at most 1032, each a pixel of up to 4 bytes
// once read: a file cannot honestly hold more, and a small one never gets
// more than the buffer any record may have without its bytes backing it.
constexpr std::uint64_t kMostInflation = 1032 * 4;
// A picture above this many bytes (4096 x 4096) must be backed by at least
// one byte of its file for every this many of its pixels' bytes: a
// decompression bomb, a huge picture of one colour in a small file, is
// refused, real artwork of that size never is.
constexpr std::uint64_t kLargePicture = 4096ull * 4096 * 4;
constexpr std::uint64_t kLargePictureInflation = 256;

struct Context {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::vector<png_bytep> rows;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* context = static_cast<Context*>(png_get_io_ptr(png));
    if (count > context->size - context->at) png_error(png, "cut short");
    std::memcpy(out, context->data + context->at, count);
    context->at += count;
}

void stopOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The whole decoding; libpng's errors leave it by longjmp, so it holds no
// object that needs destroying.
void decodeInto(png_structp png, png_infop info, Context& context, TgaImage& image) {
    png_set_read_fn(png, &context, readFromMemory);
    png_set_user_limits(png, 0xFFFF, 0xFFFF);  // a TGA's sides
    png_set_chunk_malloc_max(png, tga::kMaxUnbackedBufferBytes);
    // A bad checksum is an error in any chunk, not only in those the
    // picture needs.
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    // Of the ancillary chunks only the transparency of a palette or a grey
    // or RGB picture is read: text and the like are passed over unread, so
    // a chunk that declares gigabytes claims no memory for them.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static const png_byte kTransparency[] = {'t', 'R', 'N', 'S', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kTransparency, 1);
    png_read_info(png, info);
    const std::uint32_t width = png_get_image_width(png, info);
    const std::uint32_t height = png_get_image_height(png, info);
    const std::uint64_t pixelBytes = std::uint64_t{width} * height * 4;
    if (pixelBytes + tga::kSlackBytes > tga::kMaxBufferBytes ||
        pixelBytes > std::max<std::uint64_t>(tga::kMaxUnbackedBufferBytes, context.size * kMostInflation) ||
        pixelBytes > std::max<std::uint64_t>(kLargePicture, context.size * kLargePictureInflation)) {
        png_error(png, "larger than its bytes can hold");
    }
    png_set_expand(png);      // palette, grey below 8 bits and tRNS: RGB(A)
    png_set_scale_16(png);    // 16 bits: the 8-bit value of which it is 257 times
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t{width} * 4) png_error(png, "unexpected row layout");

    image.pixels.resize(static_cast<std::size_t>(pixelBytes + tga::kSlackBytes));
    std::memset(image.pixels.data() + pixelBytes, 0, tga::kSlackBytes);
    context.rows.resize(height);
    for (std::uint32_t y = 0; y < height; ++y) {
        context.rows[y] = image.pixels.data() + std::uint64_t{height - 1 - y} * width * 4;
    }
    png_read_image(png, context.rows.data());
    png_read_end(png, nullptr);  // the CRCs of what follows the pixels

    image.header.assign(tga::kHeaderBlockSize, 0);
    image.header[tga::kImageTypeOffset] = tga::kOutputImageType;
    image.header[tga::kWidthOffset] = static_cast<std::uint8_t>(width & 0xFF);
    image.header[tga::kWidthOffset + 1] = static_cast<std::uint8_t>(width >> 8);
    image.header[tga::kHeightOffset] = static_cast<std::uint8_t>(height & 0xFF);
    image.header[tga::kHeightOffset + 1] = static_cast<std::uint8_t>(height >> 8);
    image.header[tga::kPixelDepthOffset] = tga::kOutputDepth;
    image.header[tga::kDescriptorOffset] = tga::kOutputDescriptor;
    image.headerSize = static_cast<std::uint32_t>(tga::kHeaderLength);
    image.width = width;
    image.height = height;
    image.bitsPerPixel = tga::kDepth32;
}

}  // namespace

bool tga::isPng(const std::uint8_t* start, std::size_t size) {
    return size >= 8 && png_sig_cmp(start, 0, 8) == 0;
}

bool TgaImage::loadPng(const std::uint8_t* data, std::size_t size) {
    release();
    if (!tga::isPng(data, size)) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopOnError, ignoreWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    // Made before the jump point: nothing it refers to changes its place.
    std::unique_ptr<Context> context(info != nullptr ? new (std::nothrow) Context{data, size, 0, {}} : nullptr);
    bool decoded = false;
    if (context != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        try {
            decodeInto(png, info, *context, *this);
            decoded = true;
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
    }
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    if (!decoded) {
        release();
        return false;
    }
    content_ = TgaContent::Picture;
    return true;
}
