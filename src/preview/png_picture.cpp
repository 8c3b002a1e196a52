#include "preview/png_picture.h"

#include <libdeflate.h>

#include <new>

#include "tga/tga_format.h"

namespace {

// How the pictures are compressed. The page holds five pictures of every
// icon, and their compression is most of what the page costs. Measured on
// icons (bench/preview.sh): libdeflate's level 1 takes two thirds of the
// time of zlib's level 1 for files a tenth smaller, and the "sub" filter on
// every row (each byte minus the same byte of the pixel to its left) both
// compresses better and costs less than a choice of filter per row.
constexpr int kCompressionLevel = 1;
constexpr std::uint8_t kSubFilter = 1;

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void appendBigEndian(std::uint32_t value, std::string& out) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// Appends a chunk: length, type, data, and the CRC of type and data.
void appendChunk(const char* type, const std::uint8_t* data, std::size_t size, std::string& out) {
    appendBigEndian(static_cast<std::uint32_t>(size), out);
    const std::size_t typeAt = out.size();
    out.append(type, 4);
    out.append(reinterpret_cast<const char*>(data), size);
    appendBigEndian(libdeflate_crc32(0, out.data() + typeAt, size + 4), out);
}

// Puts `count` TGA pixels of `Stride` bytes into `rgba` in PNG's byte order.
template <std::size_t Stride>
void toRgba(const std::uint8_t* from, std::size_t count, std::uint8_t* rgba) {
    for (std::size_t x = 0; x < count; ++x, from += Stride, rgba += 4) {
        rgba[0] = from[tga::kRed];
        rgba[1] = from[tga::kGreen];
        rgba[2] = from[tga::kBlue];
        rgba[3] = Stride == 4 ? from[tga::kAlpha] : std::uint8_t{255};
    }
}

}  // namespace

PngEncoder::PngEncoder() : compressor_(libdeflate_alloc_compressor(kCompressionLevel)) {}

PngEncoder::~PngEncoder() {
    libdeflate_free_compressor(compressor_);
}

bool PngEncoder::encode(std::uint32_t width, std::uint32_t height, std::uint32_t stride, const std::uint8_t* pixels,
                        std::string& png) {
    png.clear();
    const std::uint64_t pixelCount = std::uint64_t{width} * height;
    if (compressor_ == nullptr || (stride != 3 && stride != 4) || pixelCount == 0 || pixelCount > kMaxPixels) {
        return false;
    }
    // Each row: its filter byte, then the RGBA bytes less those of the pixel
    // to the left. TGA rows are stored bottom-up, each pixel blue, green,
    // red (, alpha). Two plain loops, which the compiler vectorises.
    const std::size_t rowBytes = std::size_t{width} * 4;
    try {
        row_.resize(rowBytes);
        filtered_.resize((1 + rowBytes) * height);
        for (std::uint32_t y = 0; y < height; ++y) {
            const std::uint8_t* from = pixels + std::uint64_t{height - 1 - y} * width * stride;
            if (stride == 4) {
                toRgba<4>(from, width, row_.data());
            } else {
                toRgba<3>(from, width, row_.data());
            }
            std::uint8_t* to = filtered_.data() + y * (1 + rowBytes);
            *to++ = kSubFilter;
            const std::uint8_t* row = row_.data();
            for (std::size_t i = 0; i < 4; ++i) to[i] = row[i];
            for (std::size_t i = 4; i < rowBytes; ++i) to[i] = static_cast<std::uint8_t>(row[i] - row[i - 4]);
        }
        compressed_.resize(libdeflate_zlib_compress_bound(compressor_, filtered_.size()));
        const std::size_t size = libdeflate_zlib_compress(compressor_, filtered_.data(), filtered_.size(),
                                                          compressed_.data(), compressed_.size());
        if (size == 0) return false;
        // The header: width, height, 8 bits per channel, RGBA, deflate, no
        // interlacing.
        std::uint8_t header[13] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 6, 0, 0, 0};
        for (int k = 0; k < 4; ++k) {
            header[k] = static_cast<std::uint8_t>(width >> (24 - 8 * k));
            header[4 + k] = static_cast<std::uint8_t>(height >> (24 - 8 * k));
        }
        png.reserve(sizeof kSignature + 3 * 12 + sizeof header + size);
        png.assign(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
        appendChunk("IHDR", header, sizeof header, png);
        appendChunk("IDAT", compressed_.data(), size, png);
        appendChunk("IEND", nullptr, 0, png);
    } catch (const std::bad_alloc&) {
        png.clear();
        return false;
    }
    return true;
}

void PngEncoder::releaseLargeBuffers() {
    if (row_.capacity() > kKeptBufferBytes) tga::ByteBuffer().swap(row_);
    if (filtered_.capacity() > kKeptBufferBytes) tga::ByteBuffer().swap(filtered_);
    if (compressed_.capacity() > kKeptBufferBytes) tga::ByteBuffer().swap(compressed_);
}

void appendBase64(const std::string& bytes, std::string& out) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t whole = bytes.size() / 3 * 3;
    const std::size_t start = out.size();
    out.resize(start + (bytes.size() + 2) / 3 * 4);
    char* to = &out[start];
    for (std::size_t i = 0; i < whole; i += 3, to += 4) {
        const std::uint32_t group = std::uint32_t{in[i]} << 16 | std::uint32_t{in[i + 1]} << 8 | in[i + 2];
        to[0] = kDigits[group >> 18];
        to[1] = kDigits[(group >> 12) & 63];
        to[2] = kDigits[(group >> 6) & 63];
        to[3] = kDigits[group & 63];
    }
    const std::size_t left = bytes.size() - whole;
    if (left > 0) {
        const std::uint32_t group = std::uint32_t{in[whole]} << 16 | (left == 2 ? std::uint32_t{in[whole + 1]} << 8 : 0);
        to[0] = kDigits[group >> 18];
        to[1] = kDigits[(group >> 12) & 63];
        to[2] = left == 2 ? kDigits[(group >> 6) & 63] : '=';
        to[3] = '=';
    }
}
