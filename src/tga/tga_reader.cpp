// Loading a TGA file into a TgaImage.
//
// The reader decodes uncompressed (type 2) and run-length encoded (type 10)
// true-colour pixels. Its behaviour at the end of the data is part of the
// result: each channel keeps the last byte read for it, so once the data
// run out every further pixel repeats the last one read, and the last packet
// header keeps being reused. The record remembers that the data ran short.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/platform.h"
#include "tga/tga_image.h"

namespace {

using tga::kAlpha;

struct FileCloser {
    std::FILE* file;
    ~FileCloser() { std::fclose(file); }
};

std::uint32_t readLittle16(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// Bytes from the current position to the end of the file; 0 when the
// stream cannot tell. Only a hint for reserving memory: reading still stops
// wherever the data really stop.
std::uint64_t bytesLeftIn(std::FILE* file) {
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
    long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return 0;
    return static_cast<std::uint64_t>(end - here);
}

// Reads at most `limit` bytes. The file's size is known up front, so the
// data are read in one go into memory of the right size (with room for
// `spare` more bytes, so that they can become the pixel buffer without being
// moved); a file much shorter than its header claims costs no more memory
// than the file itself.
std::vector<std::uint8_t> readUpTo(std::FILE* file, std::uint64_t limit, std::uint64_t spare) {
    std::vector<std::uint8_t> data;
    std::uint64_t expected = std::min(limit, bytesLeftIn(file));
    if (expected > 0) {
        data.reserve(static_cast<std::size_t>(expected + spare));
        data.resize(static_cast<std::size_t>(expected));
        data.resize(std::fread(data.data(), 1, data.size(), file));
    }
    // The size was a hint: should the file hold more by now, read on in
    // blocks, each added only once its bytes really came.
    std::uint8_t block[64 * 1024];
    while (data.size() < limit) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof block, limit - data.size()));
        std::size_t got = std::fread(block, 1, want, file);
        data.insert(data.end(), block, block + got);
        if (got < want) break;
    }
    return data;
}

bool isDecodable(const std::vector<std::uint8_t>& header, std::uint32_t bitsPerPixel) {
    std::uint8_t type = header[tga::kImageTypeOffset];
    bool trueColour = type == tga::kTypeUncompressed || type == tga::kTypeRunLength;
    bool depthOk = bitsPerPixel == tga::kDepth24 || bitsPerPixel == tga::kDepth32;
    bool hasColourMap = header[tga::kColorMapTypeOffset] == tga::kColorMapPresent &&
                        readLittle16(header, tga::kColorMapLengthOffset) != 0;
    return trueColour && depthOk && !hasColourMap;
}

// Walks the packet headers of run-length data without storing anything:
// true when the data hold every byte needed for pixels 0 to n - 1.
bool runLengthDataComplete(const std::vector<std::uint8_t>& data, std::uint64_t n,
                           std::uint32_t bytesPerRead) {
    std::uint64_t at = 0;
    for (std::uint64_t i = 0; i < n;) {
        if (at >= data.size()) return false;
        std::uint8_t packet = data[static_cast<std::size_t>(at++)];  // below size(): fits
        std::uint64_t count = (packet & tga::kPacketCountMask) + 1u;
        std::uint64_t neededPixels = (packet & tga::kRunPacketFlag) ? 1 : std::min(count, n - i);
        if (data.size() - at < neededPixels * bytesPerRead) return false;
        at += ((packet & tga::kRunPacketFlag) ? 1 : count) * bytesPerRead;
        i += count;
    }
    return true;
}

// Decodes pixel data into an image's buffer, one pixel at a time, exactly
// as a reader of single bytes from a stream would.
class PixelDecoder {
public:
    PixelDecoder(const std::vector<std::uint8_t>& data, TgaImage& image)
        : at_(data.data()),
          end_(data.data() + data.size()),
          image_(image),
          buffer_(image.pixels.data()),
          bufferSize_(image.pixels.size()),
          stride_(image.stride()),
          bytesPerRead_(image.hasAlpha() ? 4 : 3),
          // 24 and 32 bits: a pixel's bytes in memory are exactly its bytes
          // in the file, so whole packets can be copied as blocks.
          blockCopy_(image.bitsPerPixel == tga::kDepth24 || image.bitsPerPixel == tga::kDepth32) {}

    void decodeUncompressed(std::uint64_t n) {
        if (blockCopy_) {
            std::uint64_t bytes = n * bytesPerRead_;
            std::uint64_t available = std::min<std::uint64_t>(bytes, end_ - at_);
            copyPixels(0, available);
            // A copy that ended inside pixel k: it and every later pixel
            // take the current channel values.
            if (available < bytes) fill(available / bytesPerRead_, n);
            return;
        }
        for (std::uint64_t i = 0; i < n; ++i) {
            if (at_ == end_) {
                // Out of data: every later pixel repeats the current values.
                fill(i, n);
                return;
            }
            readPixel();
            storePixel(i);
        }
    }

    void decodeRunLength(std::uint64_t n) {
        for (std::uint64_t i = 0; i < n;) {
            std::uint64_t count = (packet_ & tga::kPacketCountMask) + 1u;
            if (at_ == end_) {
                // Out of data: the last header is used again and again, and
                // every packet it makes repeats the current values, up to the
                // end of the packet that passes n. Done in one go, so that a
                // header declaring billions of pixels costs no more time than
                // the buffer it has.
                fill(i, i + (n - i + count - 1) / count * count);
                return;
            }
            packet_ = *at_++;
            count = (packet_ & tga::kPacketCountMask) + 1u;
            if (packet_ & tga::kRunPacketFlag) {
                readPixel();
                fill(i, i + count);
            } else {
                decodeRawPacket(i, count);
            }
            i += count;  // may pass n: the surplus lands in the slack
        }
    }

private:
    void readPixel() {
        for (std::uint32_t k = 0; k < bytesPerRead_; ++k) {
            if (at_ < end_) channel_[k] = *at_++;  // else the channel keeps its value
        }
    }

    void storeByte(std::uint64_t offset, std::uint8_t value) {
        if (offset < bufferSize_) buffer_[offset] = value;  // past the slack: dropped
    }

    void storePixel(std::uint64_t i) {
        std::uint64_t offset = i * stride_;
        storeByte(offset + tga::kBlue, channel_[tga::kBlue]);
        storeByte(offset + tga::kGreen, channel_[tga::kGreen]);
        storeByte(offset + tga::kRed, channel_[tga::kRed]);
        if (image_.hasAlpha()) storeByte(i * 4 + kAlpha, channel_[kAlpha]);
    }

    // Stores the current channel values at pixels first .. last - 1.
    void fill(std::uint64_t first, std::uint64_t last) {
        if (!blockCopy_) {
            // Pixels that start past the buffer store nothing, and with a
            // stride of 0 every pixel lands on the same bytes, so one store
            // stands for them all. This bounds the work by the buffer, not by
            // the pixel count a header declares.
            std::uint64_t end = stride_ == 0 ? first + 1 : (bufferSize_ + stride_ - 1) / stride_;
            for (std::uint64_t i = first; i < std::min(last, end); ++i) storePixel(i);
            return;
        }
        std::uint64_t limit = bufferSize_ / stride_;  // stores beyond are dropped
        for (std::uint64_t i = first; i < std::min(last, limit); ++i) {
            std::memcpy(buffer_ + i * stride_, channel_, stride_);
        }
    }

    // Copies `bytes` bytes of the data to the buffer from pixel `first` on
    // and leaves each channel holding the last byte copied for it.
    void copyPixels(std::uint64_t first, std::uint64_t bytes) {
        std::uint64_t offset = first * stride_;
        std::uint64_t room = offset < bufferSize_ ? bufferSize_ - offset : 0;
        std::uint64_t copied = std::min(bytes, room);
        // Nothing to copy may mean no data at all: memcpy must not see the
        // null pointer of an empty vector even with a length of 0.
        if (copied > 0) std::memcpy(buffer_ + offset, at_, static_cast<std::size_t>(copied));
        for (std::uint32_t k = 0; k < bytesPerRead_ && k < bytes; ++k) {
            // The last byte read for channel k.
            std::uint64_t last = (bytes - 1 - k) / bytesPerRead_ * bytesPerRead_ + k;
            channel_[k] = at_[last];
        }
        at_ += bytes;
    }

    void decodeRawPacket(std::uint64_t i, std::uint64_t count) {
        std::uint64_t bytes = count * bytesPerRead_;
        if (blockCopy_ && static_cast<std::uint64_t>(end_ - at_) >= bytes) {
            copyPixels(i, bytes);
            return;
        }
        for (std::uint64_t j = 0; j < count; ++j) {
            readPixel();
            storePixel(i + j);
        }
    }

    const std::uint8_t* at_;
    const std::uint8_t* end_;
    TgaImage& image_;
    std::uint8_t* buffer_;
    std::uint64_t bufferSize_;
    std::uint32_t stride_;
    std::uint32_t bytesPerRead_;
    bool blockCopy_;
    // These outlive every pixel and packet: that is what makes a short file
    // repeat its last pixel. Before the first pixel they are zero.
    std::uint8_t channel_[4] = {0, 0, 0, 0};
    std::uint8_t packet_ = 0;
};

// Reverses the order of `count` pixels of `stride` bytes each, in place.
void reversePixels(std::uint8_t* first, std::uint64_t count, std::uint32_t stride) {
    if (count < 2) return;
    for (std::uint64_t a = 0, b = count - 1; a < b; ++a, --b) {
        std::swap_ranges(first + a * stride, first + (a + 1) * stride, first + b * stride);
    }
}

// Puts a picture stored in another order into the one order of the record
// and the writer: bottom row first, each row left to right. Done in place,
// in one pass over the pixels. Only 24 and 32 bit pictures have pixels of
// their own to move; other depths are never written and are left as read.
void orientBottomUpLeftToRight(TgaImage& image, std::uint8_t descriptor) {
    if (image.bitsPerPixel != tga::kDepth24 && image.bitsPerPixel != tga::kDepth32) return;
    const bool topRowFirst = (descriptor & tga::kDescriptorTopRowFirst) != 0;
    const bool rightToLeft = (descriptor & tga::kDescriptorRightToLeft) != 0;
    const std::uint32_t stride = image.stride();
    const std::uint64_t width = image.width;
    const std::uint64_t rowBytes = width * stride;
    std::uint8_t* pixels = image.pixels.data();
    if (topRowFirst && rightToLeft) {
        // Upside down and mirrored: the whole sequence of pixels reversed.
        reversePixels(pixels, width * image.height, stride);
    } else if (topRowFirst) {
        for (std::uint64_t top = 0, bottom = image.height - 1u; image.height > 0 && top < bottom; ++top, --bottom) {
            std::swap_ranges(pixels + top * rowBytes, pixels + (top + 1) * rowBytes, pixels + bottom * rowBytes);
        }
    } else if (rightToLeft) {
        for (std::uint64_t row = 0; row < image.height; ++row) reversePixels(pixels + row * rowBytes, width, stride);
    }
}

}  // namespace

bool TgaImage::load(const std::string& fileName) {
    std::FILE* file = platform::openForReading(fileName);
    if (file == nullptr) return false;
    FileCloser closer{file};

    release();
    header.assign(tga::kHeaderBlockSize, 0);
    bool ranShort = std::fread(header.data(), 1, tga::kHeaderLength, file) < tga::kHeaderLength;
    width = readLittle16(header, tga::kWidthOffset);
    height = readLittle16(header, tga::kHeightOffset);
    bitsPerPixel = header[tga::kPixelDepthOffset];
    std::uint8_t descriptor = header[tga::kDescriptorOffset];
    std::uint8_t idLength = header[tga::kIdLengthOffset];
    if (idLength != 0 &&
        std::fread(header.data() + tga::kHeaderLength, 1, idLength, file) < idLength) {
        ranShort = true;
    }

    std::uint64_t n = static_cast<std::uint64_t>(width) * height;
    std::uint64_t bufferBytes = std::uint64_t{stride()} * height * width + tga::kSlackBytes;
    if (bufferBytes > tga::kMaxBufferBytes) {
        release();
        return false;
    }

    std::uint8_t type = header[tga::kImageTypeOffset];
    std::uint32_t bytesPerRead = hasAlpha() ? 4 : 3;
    headerSize = static_cast<std::uint32_t>(tga::kHeaderLength + idLength);

    // Pixels the file does not back are never worth gigabytes: a record that
    // is no complete picture keeps its header but gets no pixel buffer above
    // this size (and is then not isLoaded()). Where that is clear before the
    // data are read, they are not read at all.
    bool bufferAllowedAnyway = bufferBytes <= tga::kMaxUnbackedBufferBytes;
    if (!isDecodable(header, bitsPerPixel) && !bufferAllowedAnyway) {
        content_ = TgaContent::Unsupported;
        return true;
    }
    if (type == tga::kTypeUncompressed && !bufferAllowedAnyway && bytesLeftIn(file) < n * bytesPerRead) {
        content_ = TgaContent::Truncated;
        return true;
    }

    // The pixel data, read no further than the decoder can ever look.
    std::vector<std::uint8_t> data;
    try {
        if (type == tga::kTypeUncompressed) {
            data = readUpTo(file, n * bytesPerRead, tga::kSlackBytes);
            ranShort = ranShort || data.size() < n * bytesPerRead;
        } else if (type == tga::kTypeRunLength) {
            std::uint64_t worstCase = n * (1 + bytesPerRead) + (tga::kMaxPacketPixels - 1) * bytesPerRead;
            data = readUpTo(file, worstCase, 0);
            ranShort = ranShort || !runLengthDataComplete(data, n, bytesPerRead);
        }
    } catch (const std::bad_alloc&) {
        // A 32-bit process runs out of address space for a file of a
        // gigabyte or so: such a file is as good as one not found.
        release();
        return false;
    } catch (const std::length_error&) {
        release();
        return false;
    }

    if (!isDecodable(header, bitsPerPixel)) {
        content_ = TgaContent::Unsupported;
    } else if (ranShort) {
        content_ = TgaContent::Truncated;
    } else {
        content_ = TgaContent::Picture;
    }
    if (content_ != TgaContent::Picture && !bufferAllowedAnyway) return true;
    // Complete uncompressed 24 or 32 bit data are the pixels byte for byte:
    // they become the buffer, with the zeroed slack added behind them.
    bool dataArePixels = content_ == TgaContent::Picture && type == tga::kTypeUncompressed &&
                         stride() == bytesPerRead;
    try {
        if (dataArePixels) {
            data.resize(static_cast<std::size_t>(bufferBytes));
            pixels = std::move(data);
        } else {
            pixels.assign(static_cast<std::size_t>(bufferBytes), 0);
        }
    } catch (const std::bad_alloc&) {
        release();
        return false;
    } catch (const std::length_error&) {  // more than a 32-bit vector can hold
        release();
        return false;
    }

    if (!dataArePixels) {
        PixelDecoder decoder(data, *this);
        if (type == tga::kTypeUncompressed) {
            decoder.decodeUncompressed(n);
        } else if (type == tga::kTypeRunLength) {
            decoder.decodeRunLength(n);
        }
    }
    orientBottomUpLeftToRight(*this, descriptor);
    return true;
}

void TgaImage::release() {
    std::vector<std::uint8_t>().swap(header);
    std::vector<std::uint8_t>().swap(pixels);
    headerSize = 0;
    content_ = TgaContent::None;
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
