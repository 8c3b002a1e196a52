// The one in-memory image type: an icon, a mask or a working copy, decoded
// from a TGA file's bytes and encoded into them. Where the bytes come from and
// go to is the caller's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tga/byte_buffer.h"
#include "tga/tga_format.h"

namespace tga {

// Where an encoder puts a file's bytes, in order. False when they could not be
// put there: the encoding stops.
class ByteSink {
public:
    virtual bool write(const std::uint8_t* bytes, std::size_t size) = 0;

protected:
    ~ByteSink() = default;
};

class BufferSink final : public ByteSink {
public:
    explicit BufferSink(ByteBuffer& bytes) : bytes_(bytes) {}
    bool write(const std::uint8_t* bytes, std::size_t size) override {
        bytes_.insert(bytes_.end(), bytes, bytes + size);
        return true;
    }

private:
    ByteBuffer& bytes_;
};

// How many of a file's bytes TgaImage::load() can ever look at, told from its
// first `size` bytes at `start` (its header and image ID, as far as the file
// has them) and its length: a large file need not be read further.
std::uint64_t bytesWorthReading(const std::uint8_t* start, std::size_t size, std::uint64_t fileSize);

// Whether the bytes begin as a PNG file does.
bool isPng(const std::uint8_t* start, std::size_t size);

}  // namespace tga

// What a successful load found in the file.
enum class TgaContent {
    None,         // nothing loaded
    Picture,      // a 24 or 32 bit true-colour picture, every pixel present
    Unsupported,  // opened, but not a picture the reader decodes
    Truncated,    // decodable, but some byte the reader needs is missing
};

class TgaImage {
public:
    // The 18-byte header followed by room for the image ID; empty = absent.
    std::vector<std::uint8_t> header;
    // Pixel data, then the slack (always zero but for the overshoot of the
    // last run-length packet); empty = absent.
    tga::ByteBuffer pixels;
    std::uint32_t headerSize = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bitsPerPixel = 0;

    TgaImage() = default;
    TgaImage(const TgaImage& other) { assign(other); }
    TgaImage& operator=(const TgaImage& other) { return assign(other); }
    TgaImage(TgaImage&&) noexcept = default;
    TgaImage& operator=(TgaImage&&) noexcept = default;

    // Decodes a TGA file's bytes (all of them, or at least the first
    // tga::bytesWorthReading()). False when its pixel buffer cannot be had
    // (the record is then empty). A file the reader does not decode, or one
    // that ends early, still loads; content() tells which.
    bool load(tga::ByteBuffer file);
    // Decodes a PNG file's bytes, of any colour type and depth, into 32-bit
    // pixels. False, with the record empty, for bytes that are no whole PNG
    // picture, one larger than a TGA may be or than its bytes can hold, or
    // when memory runs short.
    bool loadPng(const std::uint8_t* data, std::size_t size);
    void release();
    bool isLoaded() const { return !header.empty() && !pixels.empty() && headerSize != 0; }
    TgaContent content() const { return content_; }

    // Encodes the record as an uncompressed 32-bit bottom-up TGA file into
    // `out`. Pixels of a depth other than 32 get alpha fillAlpha. False when
    // the record is not loaded or `out` fails.
    bool save(tga::ByteSink& out, std::uint8_t fillAlpha);
    // Encodes what save() would for a copy of this record after
    // copy.blend(mask), without making the copy: the mask is laid over each
    // block of pixels on its way out. The pixels stay as they are; the header
    // changes as in save().
    bool saveBlended(tga::ByteSink& out, const TgaImage& mask, std::uint8_t fillAlpha);

    // Scales a loaded 32-bit picture to fit inside targetWidth x
    // targetHeight, centred on transparent padding, and makes that its
    // size; the rest of the header stays. False, unchanged, for a record of
    // another depth or no pixels, or when memory runs short.
    bool fitTo(std::uint32_t targetWidth, std::uint32_t targetHeight);

    bool sameSize(const TgaImage& other) const { return width == other.width && height == other.height; }
    TgaImage& assign(const TgaImage& other);
    // Lays mask over this image's colours by alpha compositing (mask in front).
    bool blend(const TgaImage& mask);

    // Bytes one pixel occupies in the buffer (integer division: may be 0).
    std::uint32_t stride() const { return bitsPerPixel / 8; }
    bool hasAlpha() const { return bitsPerPixel == tga::kDepth32; }
    // Size of the pixel data proper, without the slack.
    std::uint64_t pixelDataBytes() const { return std::uint64_t{stride()} * height * width; }
    std::uint64_t savedFileBytes() const {
        return headerSize + tga::kOutputBytesPerPixel * std::uint64_t{width} * height;
    }

private:
    TgaContent content_ = TgaContent::None;
};
