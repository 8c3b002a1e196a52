// Decoding PNG files of every colour type and depth, made byte by byte here
// (stored deflate blocks), against the pixels they hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "support/tga_builder.h"
#include "tga/tga_image.h"

using namespace test_support;

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

struct Form {
    int colourType;
    int depth;
    bool interlaced;
};

// A PNG file of width x height of the form, whose sample s of pixel (x, y),
// top row first, is sample(x, y, s); the palette and tRNS given as chunks.
Bytes pngFile(int width, int height, Form form, const std::function<int(int, int, int)>& sample,
              const Bytes& palette = {}, const Bytes& transparency = {}) {
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

// The decoded record's pixels, blue, green, red, alpha, bottom row first.
Bytes decoded(const Bytes& png) {
    TgaImage image;
    EXPECT_TRUE(image.loadPng(png.data(), png.size()));
    EXPECT_EQ(image.content(), TgaContent::Picture);
    EXPECT_EQ(image.bitsPerPixel, 32u);
    return Bytes(image.pixels.begin(), image.pixels.begin() + image.pixelDataBytes());
}

}  // namespace

// Every colour type and depth of a 3 x 2 picture, each also interlaced,
// against the BGRA pixels the record must hold. A sample of depth d is the
// 8-bit value v scaled to d bits: 16-bit files give their 8-bit twins'.
TEST(PngReader, EveryColourTypeAndDepthInterlacedOrNot) {
    const int width = 3, height = 2;
    // Grey levels and colours as 8-bit values, top row first.
    auto grey8 = [](int x, int y) { return (x * 3 + y) * 40 % 256; };
    for (bool interlaced : {false, true}) {
        for (int depth : {1, 2, 4, 8, 16}) {
            SCOPED_TRACE("grey, depth " + std::to_string(depth) + (interlaced ? ", interlaced" : ""));
            const int top = (1 << std::min(depth, 8)) - 1;
            auto level = [&](int x, int y) { return grey8(x, y) * top / 255; };
            const Bytes png = pngFile(width, height, {0, depth, interlaced},
                                      [&](int x, int y, int) { return depth == 16 ? level(x, y) * 257 : level(x, y); });
            Bytes expected;
            for (int y = height - 1; y >= 0; --y) {
                for (int x = 0; x < width; ++x) {
                    const auto v = static_cast<std::uint8_t>(level(x, y) * 255 / top);
                    expected.insert(expected.end(), {v, v, v, 255});
                }
            }
            EXPECT_EQ(decoded(png), expected);
        }
        for (int colourType : {2, 4, 6}) {
            for (int depth : {8, 16}) {
                SCOPED_TRACE("type " + std::to_string(colourType) + ", depth " + std::to_string(depth));
                auto value = [&](int x, int y, int s) { return (x * 50 + y * 90 + s * 30) % 256; };
                const Bytes png = pngFile(width, height, {colourType, depth, interlaced}, [&](int x, int y, int s) {
                    return depth == 16 ? value(x, y, s) * 257 : value(x, y, s);
                });
                Bytes expected;
                for (int y = height - 1; y >= 0; --y) {
                    for (int x = 0; x < width; ++x) {
                        const auto r = static_cast<std::uint8_t>(value(x, y, 0));
                        if (colourType == 4) {  // grey, alpha
                            expected.insert(expected.end(), {r, r, r, static_cast<std::uint8_t>(value(x, y, 1))});
                        } else {
                            const auto g = static_cast<std::uint8_t>(value(x, y, 1));
                            const auto b = static_cast<std::uint8_t>(value(x, y, 2));
                            const auto a = colourType == 6 ? static_cast<std::uint8_t>(value(x, y, 3)) : 255;
                            expected.insert(expected.end(), {b, g, r, static_cast<std::uint8_t>(a)});
                        }
                    }
                }
                EXPECT_EQ(decoded(png), expected);
            }
        }
        for (bool withTransparency : {false, true}) {
            SCOPED_TRACE(std::string("palette") + (withTransparency ? " with tRNS" : ""));
            const Bytes palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
            const Bytes alphas = withTransparency ? Bytes{0, 128} : Bytes{};  // the third entry stays opaque
            const Bytes png = pngFile(width, height, {3, 2, interlaced}, [](int x, int, int) { return x; }, palette,
                                      alphas);
            Bytes expected;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    expected.insert(expected.end(), {palette[x * 3 + 2], palette[x * 3 + 1], palette[x * 3],
                                                     static_cast<std::uint8_t>(x < 2 && withTransparency ? alphas[x] : 255)});
                }
            }
            EXPECT_EQ(decoded(png), expected);
        }
    }
}

// Broken files are no pictures, and a header declaring more than the
// file's bytes could ever inflate to is refused before any pixel buffer.
TEST(PngReader, BrokenOrHostileFilesAreNoPictures) {
    const Bytes good = pngFile(2, 2, {2, 8, false}, [](int, int, int) { return 7; });
    TgaImage image;
    EXPECT_TRUE(image.loadPng(good.data(), good.size()));
    Bytes badCrc = good;
    badCrc[29] ^= 1;  // IHDR's CRC
    Bytes cut(good.begin(), good.end() - 20);
    const Bytes empty;
    const Bytes huge = pngFile(1, 1, {0, 8, false}, [](int, int, int) { return 0; });
    Bytes declaredHuge = huge;
    declaredHuge[16 + 2] = 0xEA;  // width 60000 ...
    declaredHuge[16 + 3] = 0x60;
    declaredHuge[20 + 2] = 0xEA;  // ... by 60000
    declaredHuge[20 + 3] = 0x60;
    Bytes bomb = huge;  // 2000 x 2000 (16 MB of pixels) in 70 bytes
    bomb[16 + 2] = bomb[20 + 2] = 0x07;
    bomb[16 + 3] = bomb[20 + 3] = 0xD0;
    for (const Bytes* file : std::initializer_list<const Bytes*>{&badCrc, &cut, &empty, &declaredHuge, &bomb}) {
        EXPECT_FALSE(image.loadPng(file->data(), file->size()));
        EXPECT_FALSE(image.isLoaded());
    }
    Bytes tga = noiseTga(2, 2, 32, 1).bytes();
    EXPECT_FALSE(tga::isPng(tga.data(), tga.size()));
    EXPECT_TRUE(tga::isPng(good.data(), good.size()));
}
