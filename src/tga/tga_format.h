// The TGA header layout: every offset and magic value the reader and writer
// depend on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tga {

// The fixed header, then an image ID of at most 255 bytes (its length is a
// byte); the header block has room for both.
constexpr std::size_t kHeaderLength = 18;
constexpr std::size_t kMaxIdLength = 255;
constexpr std::size_t kHeaderBlockSize = kHeaderLength + kMaxIdLength;

constexpr std::size_t kIdLengthOffset = 0;
constexpr std::size_t kColorMapTypeOffset = 1;
constexpr std::size_t kImageTypeOffset = 2;
constexpr std::size_t kColorMapLengthOffset = 5;  // 16-bit little-endian
constexpr std::size_t kWidthOffset = 12;          // 16-bit little-endian
constexpr std::size_t kHeightOffset = 14;         // 16-bit little-endian
constexpr std::size_t kPixelDepthOffset = 16;
constexpr std::size_t kDescriptorOffset = 17;

// Image types that carry true-colour pixels.
constexpr std::uint8_t kTypeUncompressed = 2;
constexpr std::uint8_t kTypeRunLength = 10;

// Pixel depths whose pixels make a meaningful picture.
constexpr std::uint32_t kDepth24 = 24;
constexpr std::uint32_t kDepth32 = 32;

// Colour-map type 0: no colour map; 1 announces one between the ID and the
// pixels; others are reserved, maps unknown.
constexpr std::uint8_t kNoColorMap = 0;

// Origin bits of the image descriptor: bit 5 set, the top row is stored first;
// bit 4 set, each row is stored right to left. The other bits (alpha bit
// count, interleaving) do not change how the pixels are read.
constexpr std::uint8_t kDescriptorTopRowFirst = 0x20;
constexpr std::uint8_t kDescriptorRightToLeft = 0x10;

// Run-length packet header: bit 7 marks a run, the low bits hold count - 1.
constexpr std::uint8_t kRunPacketFlag = 0x80;
constexpr std::uint8_t kPacketCountMask = 0x7F;
constexpr std::uint32_t kMaxPacketPixels = 128;

// Room behind the pixel data that absorbs the overshoot of the last run-length
// packet (up to 127 pixels).
constexpr std::size_t kSlackBytes = 1000;

// Pixel byte order in memory and in the file.
constexpr std::size_t kBlue = 0;
constexpr std::size_t kGreen = 1;
constexpr std::size_t kRed = 2;
constexpr std::size_t kAlpha = 3;

// What the writer always produces: uncompressed, 32 bits, bottom-up.
constexpr std::uint8_t kOutputImageType = kTypeUncompressed;
constexpr std::uint8_t kOutputDepth = 32;
constexpr std::uint8_t kOutputDescriptor = 0;
constexpr std::size_t kOutputBytesPerPixel = 4;

// Pixel buffers must be addressable with 32-bit sizes.
constexpr std::uint64_t kMaxBufferBytes = 0xFFFFFFFFull;

// A file that cannot hold the pixels its header declares (or whose pixels are
// never decoded) gets a zero-filled pixel buffer only up to this size, so that
// a tiny hostile file cannot make the tool claim gigabytes.
constexpr std::uint64_t kMaxUnbackedBufferBytes = 4ull * 1024 * 1024;

}  // namespace tga
