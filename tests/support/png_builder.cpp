#include "support/png_builder.h"

#include <algorithm>

namespace test_support {
namespace {

std::uint32_t crcOf(const Bytes& bytes, std::size_t from) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void put32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void chunk(Bytes& png, const char* type, const Bytes& data) {
    put32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t from = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, crcOf(png, from));
}

// A zlib stream of stored blocks.
Bytes zlibStored(const Bytes& data) {
    Bytes out = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t length = std::min<std::size_t>(65535, data.size() - at);
        out.push_back(at + length == data.size() ? 1 : 0);
        for (std::uint16_t value : {static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(~length)}) {
            out.push_back(value & 0xFF);
            out.push_back(value >> 8);
        }
        out.insert(out.end(), data.begin() + at, data.begin() + at + length);
        at += length;
    } while (at < data.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) b = (b + (a = (a + byte) % 65521)) % 65521;
    put32(out, b << 16 | a);
    return out;
}

}  // namespace

Bytes pngFile(int width, int height, PngForm form, const std::function<int(int, int, int)>& sample,
              const Bytes& palette, const Bytes& transparency) {
    const int samples = form.colourType == 0 || form.colourType == 3 ? 1 : form.colourType == 4 ? 2
                        : form.colourType == 2                       ? 3
                                                                     : 4;
    // Each pass of Adam7 (or the one pass), its rows each with filter 0.
    const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                              {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const int whole[4] = {0, 0, 1, 1};
    Bytes raw;
    for (int pass = 0; pass < (form.interlaced ? 7 : 1); ++pass) {
        const int* p = form.interlaced ? passes[pass] : whole;
        for (int y = p[1]; y < height; y += p[3]) {
            if (p[0] >= width) break;
            raw.push_back(0);
            int bits = 0, accumulator = 0;
            for (int x = p[0]; x < width; x += p[2]) {
                for (int s = 0; s < samples; ++s) {
                    const int value = sample(x, y, s);
                    if (form.depth == 16) {
                        raw.push_back(static_cast<std::uint8_t>(value >> 8));
                        raw.push_back(static_cast<std::uint8_t>(value & 0xFF));
                    } else {
                        accumulator = accumulator << form.depth | value;
                        bits += form.depth;
                        if (bits == 8) {
                            raw.push_back(static_cast<std::uint8_t>(accumulator));
                            bits = accumulator = 0;
                        }
                    }
                }
            }
            if (bits != 0) raw.push_back(static_cast<std::uint8_t>(accumulator << (8 - bits)));
        }
    }
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {static_cast<std::uint8_t>(form.depth), static_cast<std::uint8_t>(form.colourType),
                                 0, 0, static_cast<std::uint8_t>(form.interlaced ? 1 : 0)});
    chunk(png, "IHDR", header);
    if (!palette.empty()) chunk(png, "PLTE", palette);
    if (!transparency.empty()) chunk(png, "tRNS", transparency);
    chunk(png, "IDAT", zlibStored(raw));
    chunk(png, "IEND", {});
    return png;
}


Bytes rgbaPng(int width, int height, const Bytes& rgba) {
    return pngFile(width, height, {6, 8, false},
                   [&](int x, int y, int s) { return rgba[(std::size_t(y) * width + x) * 4 + s]; });
}

}  // namespace test_support
