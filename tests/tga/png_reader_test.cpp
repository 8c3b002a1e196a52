// Decoding PNG files of every colour type and depth against the pixels
// they hold.
#include <gtest/gtest.h>

#include <string>

#include "support/png_builder.h"
#include "tga/tga_image.h"

using namespace test_support;

namespace {

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
