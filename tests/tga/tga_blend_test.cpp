// Copying images and laying masks over them.
#include <gtest/gtest.h>

#include "support/tga_builder.h"
#include "tga/tga_image.h"

namespace {

using test_support::Bytes;
using test_support::inMemoryImage;

Bytes pixelsOf(const TgaImage& image) {
    return Bytes(image.pixels.begin(), image.pixels.begin() + static_cast<long>(image.pixelDataBytes()));
}

Bytes blendOne(const Bytes& imagePixel, const Bytes& maskPixel) {
    TgaImage image = inMemoryImage(1, 1, static_cast<std::uint32_t>(imagePixel.size() * 8), imagePixel);
    TgaImage mask = inMemoryImage(1, 1, static_cast<std::uint32_t>(maskPixel.size() * 8), maskPixel);
    EXPECT_TRUE(image.blend(mask));
    return pixelsOf(image);
}

}  // namespace

TEST(TgaBlend, ArithmeticOfTheOverOperator) {
    // Half-covering black over an opaque pixel: weights 128 and 127 of 255.
    EXPECT_EQ(blendOne({200, 100, 50, 255}, {0, 0, 0, 128}), (Bytes{99, 49, 24, 255}));
    // An opaque mask replaces the colour whatever the image's alpha.
    EXPECT_EQ(blendOne({200, 100, 50, 7}, {1, 2, 3, 255}), (Bytes{1, 2, 3, 7}));
    // Nothing over nothing: the pixel stays as it was.
    EXPECT_EQ(blendOne({200, 100, 50, 0}, {1, 2, 3, 0}), (Bytes{200, 100, 50, 0}));
    // Any cover over a fully transparent pixel gives exactly the mask colour.
    EXPECT_EQ(blendOne({200, 100, 50, 0}, {1, 2, 3, 128}), (Bytes{1, 2, 3, 0}));
    // A transparent mask over a visible pixel changes nothing.
    EXPECT_EQ(blendOne({200, 100, 50, 90}, {1, 2, 3, 0}), (Bytes{200, 100, 50, 90}));
    // Truncation, not rounding: 200 * 252 / 255 = 197.6.
    EXPECT_EQ(blendOne({200, 200, 200, 255}, {0, 0, 0, 3})[0], 197);
}

TEST(TgaBlend, TwentyFourBitSidesCountAsOpaque) {
    // A 24-bit mask replaces every colour it covers.
    EXPECT_EQ(blendOne({200, 100, 50, 30}, {1, 2, 3}), (Bytes{1, 2, 3, 30}));
    // A 24-bit image under a half mask: weights 128 and 127.
    EXPECT_EQ(blendOne({200, 100, 50}, {0, 0, 0, 128}), (Bytes{99, 49, 24}));
}

TEST(TgaBlend, MasksOfAnotherSizeCoverOnlyTheCommonStoredRowsAndColumns) {
    Bytes data(3 * 3 * 4, 9);
    TgaImage image = inMemoryImage(3, 3, 32, data);
    TgaImage small = inMemoryImage(2, 1, 24, {1, 1, 1, 2, 2, 2});
    ASSERT_TRUE(image.blend(small));
    Bytes expected = data;
    expected[0] = expected[1] = expected[2] = 1;
    expected[4] = expected[5] = expected[6] = 2;
    EXPECT_EQ(pixelsOf(image), expected);

    TgaImage one = inMemoryImage(1, 2, 32, {5, 5, 5, 255, 6, 6, 6, 255});
    TgaImage large = inMemoryImage(2, 3, 24, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6});
    ASSERT_TRUE(one.blend(large));
    // Row 1 of the mask starts at its pixel 2: aligned by rows, not by index.
    EXPECT_EQ(pixelsOf(one), (Bytes{1, 1, 1, 255, 3, 3, 3, 255}));
    EXPECT_EQ(one.pixels.size(), 8u + 1000u);
}

TEST(TgaBlend, MissingPixelsOnEitherSideChangeNothing) {
    TgaImage image = inMemoryImage(1, 1, 32, {1, 2, 3, 4});
    TgaImage empty;
    EXPECT_FALSE(image.blend(empty));
    EXPECT_FALSE(empty.blend(image));
    EXPECT_EQ(pixelsOf(image), (Bytes{1, 2, 3, 4}));
}

TEST(TgaBlend, SameSizeComparesWidthAndHeightOnly) {
    EXPECT_TRUE(inMemoryImage(2, 3, 32, Bytes(24)).sameSize(inMemoryImage(2, 3, 24, Bytes(18))));
    EXPECT_FALSE(inMemoryImage(2, 3, 32, Bytes(24)).sameSize(inMemoryImage(3, 2, 32, Bytes(24))));
    // One side alike is not enough.
    EXPECT_FALSE(inMemoryImage(2, 3, 32, Bytes(24)).sameSize(inMemoryImage(2, 4, 32, Bytes(32))));
    EXPECT_FALSE(inMemoryImage(2, 3, 32, Bytes(24)).sameSize(inMemoryImage(3, 3, 32, Bytes(36))));
}

TEST(TgaBlend, AssignMakesAnIndependentDeepCopy) {
    TgaImage original = inMemoryImage(1, 1, 32, {1, 2, 3, 4});
    original.pixels[500] = 77;  // the slack travels too
    original.header[100] = 5;   // and the whole header block
    TgaImage copy;
    copy.assign(original);
    EXPECT_EQ(copy.pixels, original.pixels);
    EXPECT_EQ(copy.header, original.header);
    EXPECT_EQ(copy.headerSize, 18u);
    ASSERT_TRUE(copy.blend(inMemoryImage(1, 1, 24, {9, 9, 9})));
    copy.header[2] = 2;
    EXPECT_EQ(pixelsOf(original), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(original.header[2], 0);

    copy.assign(copy);  // harmless
    EXPECT_EQ(pixelsOf(copy), (Bytes{9, 9, 9, 4}));

    TgaImage empty;
    copy.assign(empty);
    EXPECT_FALSE(copy.isLoaded());
    EXPECT_TRUE(copy.pixels.empty());
}
