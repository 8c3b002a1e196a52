// PNG files of the pictures the tool writes, for the preview page.
#pragma once

#include <cstdint>
#include <string>

#include "tga/byte_buffer.h"

struct libdeflate_compressor;

// Makes PNG files of pictures, keeping its working buffers from one
// picture to the next.
class PngEncoder {
public:
    PngEncoder();
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // The largest picture encoded, in pixels: four bytes each are held two
    // or three times over while it is encoded.
    static constexpr std::uint64_t kMaxPixels = 16ull * 1024 * 1024;
    // Working buffers up to this size are kept from one picture to the next
    // (thousands of small icons make a page); larger ones are given back.
    static constexpr std::size_t kKeptBufferBytes = 4u * 1024 * 1024;

    // Replaces `png` with a PNG file of the picture of width x height
    // pixels at `pixels`, stored as a TGA file stores them: the bottom row
    // first, each pixel blue, green, red and, with a `stride` of 4, alpha
    // (255 without). The PNG is 8-bit RGBA, not premultiplied, the top row
    // first. False, with `png` empty, for a stride other than 3 or 4, no
    // pixels or more than kMaxPixels, or when memory runs out.
    bool encode(std::uint32_t width, std::uint32_t height, std::uint32_t stride, const std::uint8_t* pixels,
                std::string& png);
    // Gives back a working buffer larger than kKeptBufferBytes.
    void releaseLargeBuffers();

private:
    libdeflate_compressor* compressor_;
    tga::ByteBuffer row_;       // one row in PNG's byte order
    tga::ByteBuffer filtered_;  // the rows as PNG filters them
    tga::ByteBuffer compressed_;
};

// Appends the Base64 form of `bytes` (RFC 4648, with padding) to `out`.
void appendBase64(const std::string& bytes, std::string& out);
