#include "preview/png_picture.h"

#include "tga/tga_format.h"

#include <zlib.h>

#include <cstdlib>
#include <new>

namespace {

// How the pictures are compressed. The page holds five pictures of every
// icon, and their compression is most of what the page costs. Measured on
// icons (bench/preview.sh): zlib's level 1 takes a third of the time of its
// default level for files a few percent larger, and the "sub" filter on
// every row (each byte minus the same byte of the pixel to its left) both
// compresses better and costs less than stb_image_write's choice of a
// filter per row, which tries all five.
constexpr int kCompressionLevel = 1;
constexpr int kRowFilter = 1;

// The deflate stream of the encoder at work: stb_image_write asks for the
// compression through a plain function. The tool encodes one picture at a
// time.
z_stream* activeStream = nullptr;

// stb_image_write's own compressor is several times slower than zlib's.
// The buffer returned is released with free().
unsigned char* compressWithZlib(unsigned char* data, int length, int* compressedLength, int /*quality*/) {
    z_stream* stream = activeStream;
    if (stream == nullptr || length < 0 || deflateReset(stream) != Z_OK) return nullptr;
    const uLong bound = deflateBound(stream, static_cast<uLong>(length));
    auto* out = static_cast<unsigned char*>(std::malloc(bound));
    if (out == nullptr) return nullptr;
    stream->next_in = data;
    stream->avail_in = static_cast<uInt>(length);
    stream->next_out = out;
    stream->avail_out = static_cast<uInt>(bound);
    if (deflate(stream, Z_FINISH) != Z_STREAM_END) {
        std::free(out);
        return nullptr;
    }
    *compressedLength = static_cast<int>(stream->total_out);
    return out;
}

unsigned int crcWithZlib(unsigned char* bytes, int length) {
    return static_cast<unsigned int>(crc32(0, bytes, static_cast<uInt>(length)));
}

}  // namespace

#define STBIW_ZLIB_COMPRESS compressWithZlib
#define STBIW_CRC32 crcWithZlib
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

struct PngEncoder::Deflater {
    z_stream stream{};
    bool ready = false;
};

PngEncoder::PngEncoder() : deflater_(new Deflater) {
    deflater_->ready = deflateInit(&deflater_->stream, kCompressionLevel) == Z_OK;
    stbi_write_force_png_filter = kRowFilter;
}

PngEncoder::~PngEncoder() {
    if (deflater_->ready) deflateEnd(&deflater_->stream);
}

namespace {

struct Output {
    std::string* png;
    bool failed;
};

void appendPiece(void* context, void* data, int size) {
    auto* output = static_cast<Output*>(context);
    try {
        output->png->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        output->failed = true;
    }
}

}  // namespace

bool PngEncoder::encode(std::uint32_t width, std::uint32_t height, std::uint32_t stride, const std::uint8_t* pixels,
                        std::string& png) {
    png.clear();
    const std::uint64_t pixelCount = std::uint64_t{width} * height;
    if (!deflater_->ready || (stride != 3 && stride != 4) || pixelCount == 0 ||
        pixelCount > kMaxPixels) {
        return false;
    }
    const std::size_t rowBytes = std::size_t{width} * 4;
    try {
        rgba_.resize(static_cast<std::size_t>(pixelCount) * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Rows are stored bottom-up, each pixel blue, green, red (, alpha).
    for (std::uint32_t row = 0; row < height; ++row) {
        const std::uint8_t* from = pixels + std::uint64_t{height - 1 - row} * width * stride;
        std::uint8_t* to = rgba_.data() + row * rowBytes;
        for (std::uint32_t x = 0; x < width; ++x, from += stride, to += 4) {
            to[0] = from[tga::kRed];
            to[1] = from[tga::kGreen];
            to[2] = from[tga::kBlue];
            to[3] = stride == 4 ? from[tga::kAlpha] : 255;
        }
    }
    Output output{&png, false};
    activeStream = &deflater_->stream;
    const int written = stbi_write_png_to_func(appendPiece, &output, static_cast<int>(width),
                                               static_cast<int>(height), 4, rgba_.data(),
                                               static_cast<int>(rowBytes));
    activeStream = nullptr;
    if (written == 0 || output.failed) {
        png.clear();
        return false;
    }
    return true;
}

void PngEncoder::releaseLargeBuffers() {
    if (rgba_.capacity() > kKeptBufferBytes) tga::ByteBuffer().swap(rgba_);
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
