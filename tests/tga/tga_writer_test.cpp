// Encoding: always uncompressed 32-bit bottom-up, the image ID carried over.
#include <gtest/gtest.h>

#include "support/tga_builder.h"
#include "tga/tga_image.h"

using namespace test_support;

namespace {

TgaImage loadedFrom(const TgaFile& file) {
    TgaImage image;
    EXPECT_TRUE(loadBytes(image, file.bytes()));
    return image;
}

// What save() encodes, or nothing when it fails.
Bytes saved(TgaImage& image) {
    Bytes out;
    return saveBytes(image, 255, out) ? out : Bytes{};
}

}  // namespace

TEST(TgaWriter, WidensTwentyFourBitsWithTheFillAlpha) {
    TgaFile file;
    file.width = file.height = 2;
    file.depth = 24;
    file.id = "xy";
    file.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    TgaImage image = loadedFrom(file);
    const Bytes out = saved(image);
    Bytes header = file.bytes();
    header.resize(20);
    EXPECT_EQ(out, savedForm(header, {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255}));
    EXPECT_EQ(out.size(), image.savedFileBytes());
    // The record itself now declares the written form; its depth field does not.
    EXPECT_EQ(image.header[2], 2);
    EXPECT_EQ(image.header[16], 32);
    EXPECT_EQ(image.header[17], 0);
    EXPECT_EQ(image.bitsPerPixel, 24u);
}

// A row of more than 64 KiB written (over 16384 pixels) is a write block
// of its own.
TEST(TgaWriter, RowsLongerThanAWriteBlock) {
    TgaFile file = noiseTga(16385, 2, 24, 5);
    TgaImage image = loadedFrom(file);
    const Bytes out = saved(image);
    Bytes widened(file.data.size() / 3 * 4, 255);
    for (std::size_t i = 0; i < file.data.size(); ++i) widened[i / 3 * 4 + i % 3] = file.data[i];
    Bytes header = file.bytes();
    header.resize(18);
    EXPECT_TRUE(out == savedForm(header, widened));
}

TEST(TgaWriter, RunLengthTopDownInputWithFooterComesOutPlain) {
    TgaFile file;
    file.width = 2;
    file.height = 2;
    file.imageType = 10;
    file.descriptor = 0x20;
    file.id = std::string(255, 'q');
    file.data = {0x81, 1, 1, 1, 1, 0x81, 2, 2, 2, 2};
    const std::string footer = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
    file.data.insert(file.data.end(), footer.begin(), footer.end());
    file.data.push_back(0);
    TgaImage image = loadedFrom(file);
    const Bytes first = saved(image);
    Bytes header = file.bytes();
    header.resize(18 + 255);
    EXPECT_EQ(first, savedForm(header, {2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(saved(image), first) << "saving again gives the same file";
}

TEST(TgaWriter, RecordWithoutPixelsWritesNothing) {
    TgaImage empty;
    Bytes out;
    EXPECT_FALSE(saveBytes(empty, 255, out));
    TgaFile huge;  // loads without a pixel buffer
    huge.width = huge.height = 30000;
    TgaImage unbacked = loadedFrom(huge);
    EXPECT_FALSE(saveBytes(unbacked, 255, out));
    EXPECT_TRUE(out.empty());
}
