// Sizes beyond 32 bits: a file of more than 4 GiB (sparse, so it costs no
// disk) is measured whole, and an icon in it that the header's few bytes
// describe completely is read as complete, not as cut short.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"
#include "support/tga_builder.h"
#include "tga/tga_image.h"

using namespace test_support;

TEST(FileSize, FileBeyondFourGibibytesIsMeasuredAndReadWhole) {
    ScopedWorkDir dir;
    // One 24-bit pixel, then a hole: taken modulo 2^32 the size would be
    // 20 bytes, one short of the 21 the picture needs.
    TgaFile icon;
    icon.width = icon.height = 1;
    icon.depth = 24;
    icon.data = {1, 2, 3};
    writeFile("big.tga", icon.bytes());
    const std::uint64_t kSize = (std::uint64_t{1} << 32) + 20;
    if (!extendSparse("big.tga", kSize)) GTEST_SKIP() << "this file system holds no file of 4 GiB";

    platform::InputFile file;
    ASSERT_TRUE(file.open("big.tga"));
    EXPECT_EQ(file.size(), kSize);

    TgaImage image;
    ASSERT_TRUE(image.load("big.tga"));
    EXPECT_EQ(image.content(), TgaContent::Picture);
    ASSERT_TRUE(image.isLoaded());
    EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.begin() + 3), (Bytes{1, 2, 3}));
}
