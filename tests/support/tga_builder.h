// Builds TGA files byte by byte for tests, independently of the reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TgaImage;

namespace test_support {

using Bytes = std::vector<std::uint8_t>;

struct TgaFile {
    std::uint8_t imageType = 2;
    std::uint8_t colorMapType = 0;
    std::uint16_t colorMapLength = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t depth = 32;
    std::uint8_t descriptor = 0;
    std::string id;
    Bytes data;  // everything behind the header and ID, as stored in the file

    Bytes bytes() const;
};

// Pixels in file order (3 or 4 bytes each) run-length encoded the way
// common writers do it: runs of equal pixels, raw packets in between, with
// packets allowed to cross row ends.
Bytes encodeRunLength(const Bytes& pixels, int bytesPerPixel);

// A deterministic pseudo-random picture of width x height pixels.
Bytes noisePixels(int width, int height, int bytesPerPixel, std::uint32_t seed);

// A loaded-looking record made in memory: an 18-byte header without ID and
// the pixel data `data`, zero-filled to the image's full size plus slack.
TgaImage inMemoryImage(std::uint32_t width, std::uint32_t height, std::uint32_t depth, const Bytes& data = {});

// An uncompressed bottom-up file of noise pixels.
TgaFile noiseTga(std::uint16_t width, std::uint16_t height, std::uint8_t depth, std::uint32_t seed);

// Decodes the file's bytes `file` into `image` (TgaImage::load).
bool loadBytes(TgaImage& image, const Bytes& file);
// What save(), or with `mask` saveBlended(), encodes into `out`; their result.
bool saveBytes(TgaImage& image, std::uint8_t fillAlpha, Bytes& out, const TgaImage* mask = nullptr);

// An uncompressed 32-bit file as the tool writes it (descriptor 0).
Bytes savedForm(const Bytes& header18AndId, const Bytes& pixels32);

}  // namespace test_support
