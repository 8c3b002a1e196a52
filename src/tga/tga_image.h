// The one in-memory image type: an icon, a mask or a working copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tga/byte_buffer.h"
#include "tga/tga_format.h"

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
    // Pixel data followed by the slack (always zero but for the overshoot
    // of the last run-length packet); empty = absent.
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

    // Reads a TGA file. False when the file cannot be opened (the record is
    // then unchanged) or when its pixel buffer cannot be had (the record is
    // then empty). A file the reader does not decode, or one that ends early,
    // still loads; content() tells which. The file is one of `folder`, or
    // of the current directory.
    bool load(platform::Folder& folder, const std::string& fileName);
    bool load(const std::string& fileName) { return load(platform::currentFolder(), fileName); }
    void release();
    bool isLoaded() const;
    TgaContent content() const { return content_; }
    // Who may read the file loaded, as it was when read.
    const platform::Readers& readers() const { return readers_; }

    // Writes the record as uncompressed 32-bit bottom-up TGA, replacing the
    // target atomically. Pixels of a depth other than 32 get alpha fillAlpha.
    // False, with the target as it was, when anything fails. `from` says
    // who may open the new file (platform::Made). The file is one of
    // `folder`, or of the current directory.
    bool save(platform::Folder& folder, const std::string& fileName, std::uint8_t fillAlpha,
              const platform::MadeFrom& from = platform::MadeFrom());
    bool save(const std::string& fileName, std::uint8_t fillAlpha, const platform::MadeFrom& from = platform::MadeFrom()) {
        return save(platform::currentFolder(), fileName, fillAlpha, from);
    }
    // Writes what save() would write for a copy of this record after
    // copy.blend(mask), without making the copy: the mask is laid over each
    // block of pixels on its way to the file. The pixels stay as they are;
    // the header is updated as save() updates it.
    bool saveBlended(platform::Folder& folder, const std::string& fileName, const TgaImage& mask,
                     std::uint8_t fillAlpha, const platform::MadeFrom& from = platform::MadeFrom());
    bool saveBlended(const std::string& fileName, const TgaImage& mask, std::uint8_t fillAlpha,
                     const platform::MadeFrom& from = platform::MadeFrom()) {
        return saveBlended(platform::currentFolder(), fileName, mask, fillAlpha, from);
    }

    bool sameSize(const TgaImage& other) const;
    TgaImage& assign(const TgaImage& other);
    // Lays mask over this image's colours by alpha compositing (mask in front).
    bool blend(const TgaImage& mask);

    // Bytes one pixel occupies in the buffer (integer division: may be 0).
    std::uint32_t stride() const { return bitsPerPixel / 8; }
    bool hasAlpha() const { return bitsPerPixel == tga::kDepth32; }
    // Size of the pixel data proper, without the slack.
    std::uint64_t pixelDataBytes() const;
    // Bytes save() writes for this record.
    std::uint64_t savedFileBytes() const;

private:
    TgaContent content_ = TgaContent::None;
    platform::Readers readers_;
};
