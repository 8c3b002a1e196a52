// Writing: always uncompressed 32-bit bottom-up, the image ID carried over,
// and the target replaced only by a complete file.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/tga_builder.h"
#include "tga/tga_image.h"

using namespace test_support;

namespace {

TgaImage loadedFrom(const TgaFile& file) {
    writeFile("in.tga", file.bytes());
    TgaImage image;
    EXPECT_TRUE(image.load("in.tga"));
    return image;
}

}  // namespace

TEST(TgaWriter, WidensTwentyFourBitsWithTheFillAlpha) {
    ScopedWorkDir dir;
    TgaFile file;
    file.width = file.height = 2;
    file.depth = 24;
    file.id = "xy";
    file.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    TgaImage image = loadedFrom(file);
    ASSERT_TRUE(image.save("out.tga", 255));
    Bytes header = file.bytes();
    header.resize(20);
    EXPECT_EQ(readFile("out.tga"), savedForm(header, {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255}));
    EXPECT_EQ(readFile("out.tga").size(), image.savedFileBytes());
    // The record itself now declares the written form; its depth field does not.
    EXPECT_EQ(image.header[2], 2);
    EXPECT_EQ(image.header[16], 32);
    EXPECT_EQ(image.header[17], 0);
    EXPECT_EQ(image.bitsPerPixel, 24u);
}

// A row of more than 64 KiB written (over 16384 pixels) is a write block
// of its own.
TEST(TgaWriter, RowsLongerThanAWriteBlock) {
    ScopedWorkDir dir;
    TgaFile file = noiseTga(16385, 2, 24, 5);
    TgaImage image = loadedFrom(file);
    ASSERT_TRUE(image.save("out.tga", 255));
    Bytes widened(file.data.size() / 3 * 4, 255);
    for (std::size_t i = 0; i < file.data.size(); ++i) widened[i / 3 * 4 + i % 3] = file.data[i];
    Bytes header = file.bytes();
    header.resize(18);
    EXPECT_TRUE(readFile("out.tga") == savedForm(header, widened));
}

TEST(TgaWriter, RunLengthTopDownInputWithFooterComesOutPlain) {
    ScopedWorkDir dir;
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
    ASSERT_TRUE(image.save("out.tga", 255));
    Bytes header = file.bytes();
    header.resize(18 + 255);
    EXPECT_EQ(readFile("out.tga"), savedForm(header, {2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1}));
    // Saving again gives the same file.
    Bytes first = readFile("out.tga");
    ASSERT_TRUE(image.save("out.tga", 255));
    EXPECT_EQ(readFile("out.tga"), first);
}

TEST(TgaWriter, ReplacesTheFileUnderItsExistingSpelling) {
    ScopedWorkDir dir;
    TgaFile file;
    file.width = file.height = 1;
    file.data = {1, 2, 3, 4};
    writeFile("OLD.TGA", {9});
    TgaImage image = loadedFrom(file);
    ASSERT_TRUE(image.save("old.tga", 255));
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"OLD.TGA", "in.tga"}));
    EXPECT_EQ(readFile("OLD.TGA"), file.bytes());
}

TEST(TgaWriter, RecordWithoutPixelsWritesNothing) {
    ScopedWorkDir dir;
    TgaImage empty;
    EXPECT_FALSE(empty.save("out.tga", 255));
    TgaFile huge;  // loads without a pixel buffer
    huge.width = huge.height = 30000;
    TgaImage unbacked = loadedFrom(huge);
    EXPECT_FALSE(unbacked.save("out.tga", 255));
    EXPECT_FALSE(fileExists("out.tga"));
}

TEST(TgaWriter, TargetThatCannotBeReplacedStaysAsItWas) {
    ScopedWorkDir dir;
    TgaFile file;
    file.width = file.height = 1;
    file.data = {1, 2, 3, 4};
    TgaImage image = loadedFrom(file);
    ASSERT_TRUE(makeDirectory("taken.tga"));
    EXPECT_FALSE(image.save("taken.tga", 255));
    EXPECT_FALSE(image.save(std::string(300, 'n') + ".tga", 255));  // longer than a name may be
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"in.tga", "taken.tga"}));
}
