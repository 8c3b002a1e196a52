// Pictures read from files and written into them: sizes beyond 32 bits and
// beyond a whole-file read, names in another letter case, and targets that
// cannot be replaced.
#include <gtest/gtest.h>

#include "batch/picture_files.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "support/tga_builder.h"
#include "tga/tga_image.h"

using namespace test_support;

namespace {

bool loadFile(TgaImage& image, const std::string& name) {
    return loadPicture(platform::currentFolder(), name, image);
}

bool saveFile(TgaImage& image, const std::string& name, const KeptCopy& keep = {}) {
    return writePicture(
        platform::currentFolder(), name, {}, [&](tga::ByteSink& out) { return image.save(out, 255); }, keep);
}

}  // namespace

// A file of more than 4 GiB (sparse, so it costs no disk) is measured
// whole, and an icon in it that the header's few bytes describe completely
// is read as complete, not as cut short.
TEST(PictureFiles, FileBeyondFourGibibytesIsMeasuredAndReadWhole) {
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
    ASSERT_TRUE(loadFile(image, "big.tga"));
    EXPECT_EQ(image.content(), TgaContent::Picture);
    ASSERT_TRUE(image.isLoaded());
    EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.begin() + 3), (Bytes{1, 2, 3}));
}

// Files of more than 16 MiB are not read whole in one go, but no further
// than the header says the pixels can need. Noise: its run-length data are
// raw packets, each with a byte of header.
TEST(PictureFiles, FilesLargerThanAWholeFileReadAreReadInFull) {
    ScopedWorkDir dir;
    for (std::uint8_t type : {2, 10}) {
        TgaFile file = noiseTga(2048, 2049, 32, 3);
        const Bytes pixels = file.data;
        file.imageType = type;
        if (type == 10) file.data = encodeRunLength(pixels, 4);
        writeFile("large.tga", file.bytes());
        TgaImage image;
        ASSERT_TRUE(loadFile(image, "large.tga"));
        ASSERT_EQ(image.content(), TgaContent::Picture) << int(type);
        EXPECT_TRUE(Bytes(image.pixels.begin(), image.pixels.begin() + pixels.size()) == pixels) << int(type);
    }
}

TEST(PictureFiles, FilesThatCannotBeOpenedLeaveTheRecordAsItWas) {
    ScopedWorkDir dir;
    writeFile("ICON.TGA", noiseTga(2, 2, 32, 1).bytes());
    TgaImage image;
    ASSERT_TRUE(loadFile(image, "icon.tga")) << "the name resolves ignoring letter case";
    const tga::ByteBuffer before = image.pixels;
    EXPECT_FALSE(loadFile(image, "missing.tga"));
    makeDirectory("folder.tga");
    EXPECT_FALSE(loadFile(image, "folder.tga"));
    EXPECT_TRUE(image.pixels == before);
}

TEST(PictureFiles, WrittenUnderTheExistingSpellingOrNotAtAll) {
    ScopedWorkDir dir;
    TgaFile file;
    file.width = file.height = 1;
    file.data = {1, 2, 3, 4};
    TgaImage image;
    ASSERT_TRUE(loadBytes(image, file.bytes()));
    writeFile("OLD.TGA", {9});
    tga::ByteBuffer kept;
    std::string writtenAs;
    ASSERT_TRUE(saveFile(image, "old.tga", {&kept, &writtenAs}));
    EXPECT_EQ(readFile("OLD.TGA"), file.bytes());
    EXPECT_EQ(writtenAs, "OLD.TGA");
    EXPECT_EQ(Bytes(kept.begin(), kept.end()), file.bytes()) << "the copy kept is the bytes written";

    ASSERT_TRUE(makeDirectory("taken.tga"));
    EXPECT_FALSE(saveFile(image, "taken.tga"));
    EXPECT_FALSE(saveFile(image, std::string(300, 'n') + ".tga"));  // longer than a name may be
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"OLD.TGA", "taken.tga"}));
}
