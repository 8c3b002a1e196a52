// Decoding a TGA file's bytes into a TgaImage: the header, the image ID and
// the pixel data, and what the file holds. The record remembers whether the
// data ran short.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "tga/pixel_decoder.h"
#include "tga/tga_image.h"

namespace {

std::uint32_t readLittle16(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// What the header says about the pixel data that follow it.
struct Layout {
    std::uint8_t type = 0;
    std::uint8_t descriptor = 0;
    std::uint8_t idLength = 0;
    std::uint64_t pixelCount = 0;
    std::uint64_t bufferBytes = 0;    // the record's pixel buffer, slack included
    std::uint32_t bytesPerRead = 3;   // bytes of one stored pixel
    bool decodable = false;           // a 24 or 32 bit true-colour picture

    // No reading ever looks further than this into the pixel data.
    std::uint64_t dataBytesNeeded() const {
        if (type == tga::kTypeUncompressed) return pixelCount * bytesPerRead;
        // Every pixel in a packet of its own, and the last packet overshooting.
        if (type == tga::kTypeRunLength) {
            return pixelCount * (1 + bytesPerRead) + (tga::kMaxPacketPixels - 1) * bytesPerRead;
        }
        return 0;
    }
};

Layout layoutOf(const TgaImage& image) {
    const std::vector<std::uint8_t>& header = image.header;
    Layout layout;
    layout.type = header[tga::kImageTypeOffset];
    layout.descriptor = header[tga::kDescriptorOffset];
    layout.idLength = header[tga::kIdLengthOffset];
    layout.pixelCount = std::uint64_t{image.width} * image.height;
    layout.bufferBytes = std::uint64_t{image.stride()} * layout.pixelCount + tga::kSlackBytes;
    layout.bytesPerRead = image.hasAlpha() ? 4 : 3;
    bool trueColour = layout.type == tga::kTypeUncompressed || layout.type == tga::kTypeRunLength;
    bool depthOk = image.bitsPerPixel == tga::kDepth24 || image.bitsPerPixel == tga::kDepth32;
    // Any colour-map type but "none" with entries declared: their bytes stand
    // between the ID and the pixels, in a layout only type 1 defines.
    bool hasColourMap = header[tga::kColorMapTypeOffset] != tga::kNoColorMap &&
                        readLittle16(header, tga::kColorMapLengthOffset) != 0;
    layout.decodable = trueColour && depthOk && !hasColourMap;
    return layout;
}

// Reads the header and the image ID from the file's bytes; true when they end
// early.
bool readHeader(const tga::ByteBuffer& file, TgaImage& image) {
    std::vector<std::uint8_t>& header = image.header;
    header.assign(tga::kHeaderBlockSize, 0);
    const std::size_t headerBytes = std::min(file.size(), tga::kHeaderLength);
    std::copy_n(file.data(), headerBytes, header.data());
    image.width = readLittle16(header, tga::kWidthOffset);
    image.height = readLittle16(header, tga::kHeightOffset);
    image.bitsPerPixel = header[tga::kPixelDepthOffset];
    const std::size_t idLength = header[tga::kIdLengthOffset];
    image.headerSize = static_cast<std::uint32_t>(tga::kHeaderLength + idLength);
    const std::size_t idBytes = std::min(idLength, file.size() - headerBytes);
    std::copy_n(file.data() + headerBytes, idBytes, header.data() + tga::kHeaderLength);
    return headerBytes < tga::kHeaderLength || idBytes < idLength;
}

// Makes the pixel buffer from the file's data, which begin at `dataStart`:
// complete uncompressed 24 or 32 bit data are the pixels byte for byte and
// become the buffer as they are; anything else is decoded into a buffer of its
// own.
void fillPixels(TgaImage& image, bool isPicture, const Layout& layout, tga::ByteBuffer& file, std::size_t dataStart) {
    const std::uint64_t pixelBytes = layout.bufferBytes - tga::kSlackBytes;
    tga::ByteBuffer& pixels = image.pixels;
    const bool dataArePixels = isPicture && layout.type == tga::kTypeUncompressed &&
                               image.stride() == layout.bytesPerRead;
    if (dataArePixels) {
        std::memmove(file.data(), file.data() + dataStart, static_cast<std::size_t>(pixelBytes));
        // Within the room the caller reserved for the slack, nothing moves.
        file.resize(static_cast<std::size_t>(layout.bufferBytes));
        std::fill(file.begin() + static_cast<std::ptrdiff_t>(pixelBytes), file.end(), std::uint8_t{0});
        pixels = std::move(file);
        return;
    }
    pixels.resize(static_cast<std::size_t>(layout.bufferBytes));
    // The decoder stores every pixel of a true-colour picture: only the slack
    // needs zeroing. Others leave bytes unset.
    const bool trueColour = layout.type == tga::kTypeUncompressed || layout.type == tga::kTypeRunLength;
    const bool decoderFillsEveryPixel =
        (image.bitsPerPixel == tga::kDepth24 || image.bitsPerPixel == tga::kDepth32) && trueColour;
    std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(decoderFillsEveryPixel ? pixelBytes : 0), pixels.end(),
              std::uint8_t{0});
    if (trueColour) {
        tga::decodePixels(file.data() + dataStart, file.size() - dataStart, layout.type == tga::kTypeRunLength,
                          image);
    }
}

// Whether a record that is no complete picture may still get its pixel buffer,
// never gigabytes the file does not back.
bool bufferAllowedAnyway(const Layout& layout) {
    return layout.bufferBytes <= tga::kMaxUnbackedBufferBytes;
}

// Decodes the file into the empty `image`; tells in `content` what it found.
// False when no pixel buffer can be had.
bool decode(tga::ByteBuffer& file, TgaImage& image, TgaContent& content) {
    bool ranShort = readHeader(file, image);
    const Layout layout = layoutOf(image);
    if (layout.bufferBytes > tga::kMaxBufferBytes) return false;
    const std::size_t dataStart = std::min<std::size_t>(file.size(), image.headerSize);
    const std::uint64_t available = file.size() - dataStart;
    // No complete picture: the record keeps its header but no pixel buffer
    // above the unbacked size (so not isLoaded()).
    if (!layout.decodable && !bufferAllowedAnyway(layout)) {
        content = TgaContent::Unsupported;
        return true;
    }
    if (layout.type == tga::kTypeUncompressed) {
        ranShort = ranShort || available < layout.dataBytesNeeded();
    } else if (layout.type == tga::kTypeRunLength) {
        ranShort = ranShort || !tga::runLengthDataComplete(file.data() + dataStart, available, layout.pixelCount,
                                                           layout.bytesPerRead);
    }
    content = !layout.decodable ? TgaContent::Unsupported
              : ranShort        ? TgaContent::Truncated
                                : TgaContent::Picture;
    if (content != TgaContent::Picture && !bufferAllowedAnyway(layout)) return true;

    fillPixels(image, content == TgaContent::Picture, layout, file, dataStart);
    tga::orientBottomUpLeftToRight(image, layout.descriptor);
    return true;
}

}  // namespace

std::uint64_t tga::bytesWorthReading(const std::uint8_t* start, std::size_t size, std::uint64_t fileSize) {
    if (size < kHeaderLength) return fileSize;
    TgaImage image;
    readHeader(tga::ByteBuffer(start, start + kHeaderLength), image);
    const Layout layout = layoutOf(image);
    const std::uint64_t needed = layout.dataBytesNeeded();
    // Neither a picture nor a buffer to decode into: the header says all.
    // Nor are uncompressed data read that cannot all be there.
    const bool headerSaysAll =
        layout.bufferBytes > kMaxBufferBytes || (!layout.decodable && !bufferAllowedAnyway(layout)) ||
        (layout.type == kTypeUncompressed && !bufferAllowedAnyway(layout) && fileSize < image.headerSize + needed);
    return std::min(fileSize, image.headerSize + (headerSaysAll ? 0 : needed));
}

bool TgaImage::load(tga::ByteBuffer file) {
    release();
    try {
        TgaContent content = TgaContent::None;
        if (decode(file, *this, content)) {
            content_ = content;
            return true;
        }
    } catch (const std::bad_alloc&) {
        // A 32-bit process runs out of address space for a file of a gigabyte
        // or so: as good as one not found.
    } catch (const std::length_error&) {  // more than a vector can hold
    }
    release();
    return false;
}

void TgaImage::release() {
    std::vector<std::uint8_t>().swap(header);
    tga::ByteBuffer().swap(pixels);
    headerSize = 0;
    content_ = TgaContent::None;
}
