#include "tga/pixel_decoder.h"

#include <algorithm>
#include <cstring>

namespace tga {

bool runLengthDataComplete(const std::uint8_t* data, std::uint64_t size, std::uint64_t n, std::uint32_t bytesPerRead) {
    std::uint64_t at = 0;
    for (std::uint64_t i = 0; i < n;) {
        if (at >= size) return false;
        std::uint8_t packet = data[at++];
        std::uint64_t count = (packet & kPacketCountMask) + 1u;
        std::uint64_t neededPixels = (packet & kRunPacketFlag) ? 1 : std::min(count, n - i);
        if (size - at < neededPixels * bytesPerRead) return false;
        at += ((packet & kRunPacketFlag) ? 1 : count) * bytesPerRead;
        i += count;
    }
    return true;
}

namespace {

// Decodes pixel data into an image's buffer, one pixel at a time, exactly as a
// reader of single bytes would.
class PixelDecoder {
public:
    PixelDecoder(const std::uint8_t* data, std::size_t size, TgaImage& image)
        : at_(data),
          end_(data + size),
          image_(image),
          buffer_(image.pixels.data()),
          bufferSize_(image.pixels.size()),
          stride_(image.stride()),
          bytesPerRead_(image.hasAlpha() ? 4 : 3),
          // 24 and 32 bits: a pixel's bytes in memory are its bytes in the
          // file, so packets copy as blocks.
          blockCopy_(image.bitsPerPixel == kDepth24 || image.bitsPerPixel == kDepth32) {}

    void decodeUncompressed(std::uint64_t n) {
        if (blockCopy_) {
            std::uint64_t bytes = n * bytesPerRead_;
            std::uint64_t available = std::min<std::uint64_t>(bytes, end_ - at_);
            copyPixels(0, available);
            // A copy that ended inside pixel k: it and every later pixel take
            // the current channel values.
            if (available < bytes) fill(available / bytesPerRead_, n);
            return;
        }
        for (std::uint64_t i = 0; i < n; ++i) {
            if (at_ == end_) {  // out of data: every later pixel repeats the current values
                fill(i, n);
                return;
            }
            readPixel();
            storePixel(i);
        }
    }

    void decodeRunLength(std::uint64_t n) {
        for (std::uint64_t i = 0; i < n;) {
            std::uint64_t count = (packet_ & kPacketCountMask) + 1u;
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
            count = (packet_ & kPacketCountMask) + 1u;
            if (packet_ & kRunPacketFlag) {
                readPixel();
                fill(i, i + count);
            } else if (blockCopy_ && static_cast<std::uint64_t>(end_ - at_) >= count * bytesPerRead_) {
                copyPixels(i, count * bytesPerRead_);
            } else {
                for (std::uint64_t j = 0; j < count; ++j) {
                    readPixel();
                    storePixel(i + j);
                }
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
        storeByte(offset + kBlue, channel_[kBlue]);
        storeByte(offset + kGreen, channel_[kGreen]);
        storeByte(offset + kRed, channel_[kRed]);
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
        const std::uint64_t end = std::min(last, bufferSize_ / stride_);  // stores beyond are dropped
        // Copies of a size known here, which the compiler makes single moves.
        if (stride_ == 4) {
            for (std::uint64_t i = first; i < end; ++i) std::memcpy(buffer_ + i * 4, channel_, 4);
        } else {
            for (std::uint64_t i = first; i < end; ++i) std::memcpy(buffer_ + i * 3, channel_, 3);
        }
    }

    // Copies `bytes` bytes of the data to the buffer from pixel `first` on;
    // each channel keeps the last byte copied.
    void copyPixels(std::uint64_t first, std::uint64_t bytes) {
        std::uint64_t offset = first * stride_;
        std::uint64_t room = offset < bufferSize_ ? bufferSize_ - offset : 0;
        std::uint64_t copied = std::min(bytes, room);
        // Nothing to copy may mean no data at all: memcpy must not see an
        // empty vector's null pointer, even for 0.
        if (copied > 0) std::memcpy(buffer_ + offset, at_, static_cast<std::size_t>(copied));
        for (std::uint32_t k = 0; k < bytesPerRead_ && k < bytes; ++k) {
            channel_[k] = at_[(bytes - 1 - k) / bytesPerRead_ * bytesPerRead_ + k];  // the last byte read for it
        }
        at_ += bytes;
    }

    const std::uint8_t* at_;
    const std::uint8_t* end_;
    TgaImage& image_;
    std::uint8_t* buffer_;
    std::uint64_t bufferSize_;
    std::uint32_t stride_;
    std::uint32_t bytesPerRead_;
    bool blockCopy_;
    // These outlive every pixel and packet, which makes a short file repeat
    // its last pixel; they start at zero.
    std::uint8_t channel_[4] = {0, 0, 0, 0};
    std::uint8_t packet_ = 0;
};

void reversePixels(std::uint8_t* first, std::uint64_t count, std::uint32_t stride) {
    if (count < 2) return;
    for (std::uint64_t a = 0, b = count - 1; a < b; ++a, --b) {
        std::swap_ranges(first + a * stride, first + (a + 1) * stride, first + b * stride);
    }
}

}  // namespace

void orientBottomUpLeftToRight(TgaImage& image, std::uint8_t descriptor) {
    if (image.bitsPerPixel != kDepth24 && image.bitsPerPixel != kDepth32) return;
    const bool topRowFirst = (descriptor & kDescriptorTopRowFirst) != 0;
    const bool rightToLeft = (descriptor & kDescriptorRightToLeft) != 0;
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

void decodePixels(const std::uint8_t* data, std::size_t size, bool runLength, TgaImage& image) {
    PixelDecoder decoder(data, size, image);
    const std::uint64_t n = std::uint64_t{image.width} * image.height;
    if (runLength) {
        decoder.decodeRunLength(n);
    } else {
        decoder.decodeUncompressed(n);
    }
}

}  // namespace tga
