// Fitting a picture to the masks' size: proportions kept, centred on
// transparent padding, colours weighted by alpha, rows kept in their order.
#include <gtest/gtest.h>

#include <functional>

#include "support/tga_builder.h"
#include "tga/tga_image.h"

using namespace test_support;

namespace {

// A 32-bit record of width x height whose pixel (x, y), bottom row first,
// is pixel(x, y) as blue, green, red, alpha.
TgaImage picture(int width, int height, const std::function<Bytes(int, int)>& pixel) {
    Bytes data;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Bytes bgra = pixel(x, y);
            data.insert(data.end(), bgra.begin(), bgra.end());
        }
    }
    return inMemoryImage(width, height, 32, data);
}

const std::uint8_t* at(const TgaImage& image, int x, int y) {
    return image.pixels.data() + (std::size_t(y) * image.width + x) * 4;
}

}  // namespace

TEST(Fit, ScaledInsideCentredOnTransparentPaddingWithoutFringes) {
    // A flat picture stays flat, in a band centred on transparent padding,
    // for a wide picture and, in an enlargement, a small one.
    struct Case {
        int width, height, target, bandFrom, bandTo;  // band rows, bottom-up, inclusive
    };
    for (const Case& c : {Case{256, 128, 64, 16, 47}, Case{4, 2, 8, 2, 5}}) {
        TgaImage image = picture(c.width, c.height, [](int, int) { return Bytes{10, 20, 30, 255}; });
        ASSERT_TRUE(image.fitTo(c.target, c.target));
        ASSERT_EQ(image.width, std::uint32_t(c.target));
        ASSERT_EQ(image.pixels.size(), std::size_t(c.target) * c.target * 4 + 1000);
        for (int y = 0; y < c.target; ++y) {
            const bool inBand = y >= c.bandFrom && y <= c.bandTo;
            const Bytes expected = inBand ? Bytes{10, 20, 30, 255} : Bytes{0, 0, 0, 0};
            for (int x = 0; x < c.target; ++x) {
                ASSERT_EQ(Bytes(at(image, x, y), at(image, x, y) + 4), expected) << c.width << ": " << x << ", " << y;
            }
        }
    }
    // Opaque red beside transparent green: no visible pixel takes any green.
    TgaImage edge = picture(8, 8, [](int x, int) { return x < 4 ? Bytes{0, 0, 255, 255} : Bytes{0, 255, 0, 0}; });
    ASSERT_TRUE(edge.fitTo(3, 3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_TRUE(at(edge, x, y)[3] == 0 || at(edge, x, y)[1] == 0) << x << ", " << y;
        }
    }
    // The top row stays on top: light above, dark below.
    TgaImage rows = picture(2, 2, [](int, int y) { return y == 1 ? Bytes{250, 250, 250, 255} : Bytes{5, 5, 5, 255}; });
    ASSERT_TRUE(rows.fitTo(4, 4));
    EXPECT_GT(at(rows, 0, 3)[0], 200);
    EXPECT_LT(at(rows, 0, 0)[0], 50);
    // Only a loaded 32-bit picture is fitted.
    TgaImage twentyFour = inMemoryImage(2, 2, 24);
    EXPECT_FALSE(twentyFour.fitTo(4, 4));
}
