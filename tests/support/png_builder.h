// Builds PNG files byte by byte for tests (stored deflate blocks),
// independently of the decoder.
#pragma once

#include <functional>

#include "support/tga_builder.h"

namespace test_support {

struct PngForm {
    int colourType;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int depth;
    bool interlaced;
};

// A PNG file of width x height of the form, whose sample s of pixel (x, y),
// top row first, is sample(x, y, s); the palette and tRNS given as chunks.
Bytes pngFile(int width, int height, PngForm form, const std::function<int(int, int, int)>& sample,
              const Bytes& palette = {}, const Bytes& transparency = {});

// An 8-bit RGBA PNG file of the pixels (R, G, B, A each), top row first.
Bytes rgbaPng(int width, int height, const Bytes& rgba);

}  // namespace test_support
