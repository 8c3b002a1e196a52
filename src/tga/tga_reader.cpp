// Loading a TGA file into a TgaImage: reading the header, the image ID and
// the pixel data, in one read for any file of a usual size, and deciding what
// the file holds. The record remembers whether the data ran short.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/files.h"
#include "tga/pixel_decoder.h"
#include "tga/tga_image.h"

namespace {

// A file up to this size is read whole in one go, header and all; a larger
// one is read in steps, no further than its header says the pixels can need.
constexpr std::uint64_t kReadWholeBelow = 16 * 1024 * 1024;

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
    // Any colour-map type but "none" with entries declared: their bytes
    // stand between the ID and the pixels, in a layout only type 1 defines.
    bool hasColourMap = header[tga::kColorMapTypeOffset] != tga::kNoColorMap &&
                        readLittle16(header, tga::kColorMapLengthOffset) != 0;
    layout.decodable = trueColour && depthOk && !hasColourMap;
    return layout;
}

// The bytes of a file behind its 18-byte header, as far as they were read:
// the pixel data begin at `dataStart` (behind the image ID when it was read
// along with them).
struct Body {
    tga::ByteBuffer bytes;
    std::size_t dataStart = 0;
    bool wholeFile = false;  // read whole with the header; else only as needed

    std::uint64_t dataSize() const { return bytes.size() - dataStart; }
    const std::uint8_t* data() const { return bytes.data() + dataStart; }
};

// Reads `size` bytes into a buffer with room for the slack behind them, so
// that it can become a pixel buffer without being moved.
void readInto(platform::InputFile& file, tga::ByteBuffer& bytes, std::uint64_t size) {
    bytes.reserve(static_cast<std::size_t>(size + tga::kSlackBytes));
    bytes.resize(static_cast<std::size_t>(size));
    bytes.resize(file.read(bytes.data(), bytes.size()));
}

// Reads the header and the image ID, and as much of the pixel data as the
// file is read whole; leaves `ranShort` set when the header or ID end early.
void readHeader(platform::InputFile& file, TgaImage& image, Body& body, bool& ranShort) {
    std::vector<std::uint8_t>& header = image.header;
    header.assign(tga::kHeaderBlockSize, 0);
    const std::uint64_t fileSize = file.size();
    body.wholeFile = fileSize <= kReadWholeBelow;
    const std::uint64_t rest = body.wholeFile && fileSize > tga::kHeaderLength ? fileSize - tga::kHeaderLength : 0;
    // One read for header, ID and data alike.
    body.bytes.reserve(static_cast<std::size_t>(rest + tga::kSlackBytes));
    body.bytes.resize(static_cast<std::size_t>(rest));
    std::size_t got = file.read(header.data(), tga::kHeaderLength, body.bytes.data(), body.bytes.size());
    ranShort = got < tga::kHeaderLength;
    body.bytes.resize(got > tga::kHeaderLength ? got - tga::kHeaderLength : 0);

    image.width = readLittle16(header, tga::kWidthOffset);
    image.height = readLittle16(header, tga::kHeightOffset);
    image.bitsPerPixel = header[tga::kPixelDepthOffset];
    const std::size_t idLength = header[tga::kIdLengthOffset];
    image.headerSize = static_cast<std::uint32_t>(tga::kHeaderLength + idLength);
    std::uint8_t* id = header.data() + tga::kHeaderLength;
    if (body.wholeFile) {
        body.dataStart = std::min(idLength, body.bytes.size());
        std::copy_n(body.bytes.data(), body.dataStart, id);
        ranShort = ranShort || body.dataStart < idLength;
    } else if (idLength != 0 && file.read(id, idLength) < idLength) {
        ranShort = true;
    }
}

// Makes the pixel buffer from the data read: complete uncompressed 24 or 32
// bit data are the pixels byte for byte and become the buffer as they are;
// anything else is decoded into a buffer of its own.
void fillPixels(TgaImage& image, bool isPicture, const Layout& layout, Body& body) {
    const std::uint64_t pixelBytes = layout.bufferBytes - tga::kSlackBytes;
    tga::ByteBuffer& pixels = image.pixels;
    const bool dataArePixels = isPicture && layout.type == tga::kTypeUncompressed &&
                               image.stride() == layout.bytesPerRead;
    if (dataArePixels) {
        tga::ByteBuffer& bytes = body.bytes;
        if (body.dataStart > 0) {
            std::memmove(bytes.data(), body.data(), static_cast<std::size_t>(pixelBytes));
        }
        // Within the room reserved when the data were read: nothing moves.
        bytes.resize(static_cast<std::size_t>(layout.bufferBytes));
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(pixelBytes), bytes.end(), std::uint8_t{0});
        pixels = std::move(bytes);
        return;
    }
    pixels.resize(static_cast<std::size_t>(layout.bufferBytes));
    // The decoder stores every pixel of a true-colour picture, so only the
    // slack needs zeroing first; other depths and types leave bytes unset.
    const bool decoderFillsEveryPixel = (image.bitsPerPixel == tga::kDepth24 || image.bitsPerPixel == tga::kDepth32) &&
                                        (layout.type == tga::kTypeUncompressed || layout.type == tga::kTypeRunLength);
    std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(decoderFillsEveryPixel ? pixelBytes : 0), pixels.end(),
              std::uint8_t{0});
    if (layout.type == tga::kTypeUncompressed || layout.type == tga::kTypeRunLength) {
        tga::decodePixels(body.data(), static_cast<std::size_t>(body.dataSize()),
                          layout.type == tga::kTypeRunLength, image);
    }
}

// Reads and decodes the file into `image`, whose record is empty; tells in
// `content` what it found. False when the pixel buffer could never be had.
bool readAndDecode(platform::InputFile& file, TgaImage& image, TgaContent& content) {
    Body body;
    bool ranShort = false;
    readHeader(file, image, body, ranShort);
    const Layout layout = layoutOf(image);
    if (layout.bufferBytes > tga::kMaxBufferBytes) return false;
    const std::uint64_t needed = layout.dataBytesNeeded();

    // Pixels the file does not back are never worth gigabytes: a record that
    // is no complete picture keeps its header but gets no pixel buffer above
    // this size (and is then not isLoaded()). Where that is clear before the
    // data are read, they are not read at all.
    const bool bufferAllowedAnyway = layout.bufferBytes <= tga::kMaxUnbackedBufferBytes;
    if (!layout.decodable && !bufferAllowedAnyway) {
        content = TgaContent::Unsupported;
        return true;
    }
    const std::uint64_t available =
        body.wholeFile ? body.dataSize() : file.size() - std::min<std::uint64_t>(file.size(), image.headerSize);
    if (layout.type == tga::kTypeUncompressed && !bufferAllowedAnyway && available < needed) {
        content = TgaContent::Truncated;
        return true;
    }
    if (!body.wholeFile) readInto(file, body.bytes, std::min(needed, available));

    if (layout.type == tga::kTypeUncompressed) {
        ranShort = ranShort || body.dataSize() < needed;
    } else if (layout.type == tga::kTypeRunLength) {
        ranShort = ranShort || !tga::runLengthDataComplete(body.data(), body.dataSize(), layout.pixelCount,
                                                      layout.bytesPerRead);
    }
    content = !layout.decodable ? TgaContent::Unsupported
              : ranShort        ? TgaContent::Truncated
                                : TgaContent::Picture;
    if (content != TgaContent::Picture && !bufferAllowedAnyway) return true;

    fillPixels(image, content == TgaContent::Picture, layout, body);
    tga::orientBottomUpLeftToRight(image, layout.descriptor);
    return true;
}

}  // namespace

bool TgaImage::load(platform::Folder& folder, const std::string& fileName) {
    platform::InputFile file;
    if (!file.open(folder, fileName)) return false;
    release();
    try {
        TgaContent content = TgaContent::None;
        if (readAndDecode(file, *this, content)) {
            content_ = content;
            readers_ = file.readers();
            return true;
        }
    } catch (const std::bad_alloc&) {
        // A 32-bit process runs out of address space for a file of a
        // gigabyte or so: such a file is as good as one not found.
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
    readers_ = platform::Readers();
}

bool TgaImage::isLoaded() const {
    return !header.empty() && !pixels.empty() && headerSize != 0;
}

std::uint64_t TgaImage::pixelDataBytes() const {
    return std::uint64_t{stride()} * height * width;
}

std::uint64_t TgaImage::savedFileBytes() const {
    return headerSize + tga::kOutputBytesPerPixel * std::uint64_t{width} * height;
}
