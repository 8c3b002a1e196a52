// The pictures of a preview page, decoded with libpng (native builds only).
#pragma once

#include <string>
#include <vector>

#include "support/tga_builder.h"

namespace test_support {

struct PagePicture {
    std::string title;  // the file it shows
    int shownWidth = 0;  // as the page asks it drawn
    int shownHeight = 0;
    int width = 0;
    int height = 0;
    Bytes rgba;  // 8-bit RGBA, top row first; empty unless the Base64 and the PNG are whole
};

// Every <img> of the page, in order.
std::vector<PagePicture> picturesOf(const std::string& page);

// A PNG file decoded to 8-bit RGBA, top row first; false when it is none.
bool decodePng(const std::string& png, int& width, int& height, Bytes& rgba);

// Pixels as a TGA file stores them (bottom-up, blue, green, red and, with
// four bytes, alpha) as RGBA top row first, alpha 255 where there is none.
Bytes rgbaOfTga(const Bytes& pixels, int width, int height, int bytesPerPixel);

}  // namespace test_support
