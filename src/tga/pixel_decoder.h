// Turning the pixel data of a TGA file into a record's pixels: decoding
// uncompressed and run-length data, and putting the rows and columns in the
// record's order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tga/tga_image.h"

namespace tga {

// Walks run-length packet headers without storing anything: true when the data
// hold every byte pixels 0 to n - 1 need.
bool runLengthDataComplete(const std::uint8_t* data, std::uint64_t size, std::uint64_t n, std::uint32_t bytesPerRead);

// Decodes `size` bytes of pixel data into `image`'s pixel buffer, which has
// room for width x height pixels and the slack: uncompressed data when
// `runLength` is false, else run-length packets. Each channel keeps the last
// byte read for it, so once the data run out every further pixel repeats the
// last one read and the last packet header is reused.
void decodePixels(const std::uint8_t* data, std::size_t size, bool runLength, TgaImage& image);

// Puts a picture stored in another order into the one order of the record and
// the writer, bottom row first, each row left to right, as the origin bits of
// the descriptor tell; in place, in one pass over the pixels. Only 24 and 32
// bit pictures have pixels of their own to move; other depths are never
// written and are left as read.
void orientBottomUpLeftToRight(TgaImage& image, std::uint8_t descriptor);

}  // namespace tga
