// PNG files of the pictures the tool writes, for the preview page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tga/byte_buffer.h"
#include "tga/tga_image.h"

// Makes PNG files of loaded records, keeping its working buffers from one
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

    // Replaces `png` with a PNG file of the pixels save() writes for
    // `image` (pixels without alpha get 255): 8-bit RGBA, not
    // premultiplied, the top row first. False, with `png` empty, for a
    // record that is not loaded, holds other than 24 or 32-bit pixels or
    // has more than kMaxPixels, or when memory runs out.
    bool encode(const TgaImage& image, std::string& png);
    // Gives back a working buffer larger than kKeptBufferBytes.
    void releaseLargeBuffers();

private:
    struct Deflater;
    std::unique_ptr<Deflater> deflater_;
    tga::ByteBuffer rgba_;
};

// Appends the Base64 form of `bytes` (RFC 4648, with padding) to `out`.
void appendBase64(const std::string& bytes, std::string& out);
