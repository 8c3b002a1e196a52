// The preview page's pictures, decoded by libpng, are the very pixels of the
// files the run read and wrote.
#include <gtest/gtest.h>

#include <cstdio>

#include "batch/batch_run.h"
#include "support/page_pictures.h"
#include "support/temp_dir.h"

using namespace test_support;

namespace {

// The pixels of a file as the tool writes it: 32-bit, bottom-up, no RLE.
Bytes rgbaOfWritten(const std::string& name) {
    Bytes file = readFile(name);
    const int width = file[12] | file[13] << 8, height = file[14] | file[15] << 8;
    return rgbaOfTga(Bytes(file.begin() + 18 + file[0], file.end()), width, height, 4);
}

// The page of a run over the current folder.
std::string pageOfCurrentFolder() {
    std::FILE* console = std::tmpfile();
    EXPECT_NE(console, nullptr);
    PageFile page;
    page.open(platform::currentFolder(), "", {});
    {
        BatchRun run(console);
        run.showOn(page, "", "");
        run.workOnFolder();
    }
    EXPECT_TRUE(page.commit());
    std::fclose(console);
    return readText(PreviewPage::kFileName);
}

}  // namespace

TEST(PreviewPage, PicturesAreThePixelsReadAndWritten) {
    ScopedWorkDir dir;
    // Icons of both depths, one run-length coded, and a mask without alpha.
    const TgaFile masks[] = {noiseTga(6, 5, 32, 1), noiseTga(6, 5, 24, 2), noiseTga(6, 5, 32, 3), noiseTga(6, 5, 32, 4)};
    const char* const maskNames[] = {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga",
                                     "ZOF_AUTOCAST_MASK.tga"};
    for (int i = 0; i < 4; ++i) writeFile(maskNames[i], masks[i].bytes());
    const TgaFile icons[] = {noiseTga(6, 5, 24, 5), noiseTga(6, 5, 32, 6), noiseTga(6, 5, 32, 7)};
    TgaFile runLength = icons[2];
    runLength.imageType = 10;
    runLength.data = encodeRunLength(runLength.data, 4);
    writeFile("a.tga", icons[0].bytes());
    writeFile("b.tga", icons[1].bytes());
    writeFile("c.tga", runLength.bytes());

    const std::vector<PagePicture> pictures = picturesOf(pageOfCurrentFolder());
    ASSERT_EQ(pictures.size(), 4u + 3u * 5u);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const PagePicture& picture = pictures[i];
        // The masks, then for each icon: as read, rewritten, DIS, PAS, _Autocast.
        const TgaFile* original = i < 4 ? &masks[i] : (i - 4) % 5 == 0 ? &icons[(i - 4) / 5] : nullptr;
        const Bytes expected = original != nullptr ? rgbaOfTga(original->data, 6, 5, original->depth / 8)
                                                   : rgbaOfWritten(picture.title);
        EXPECT_EQ(picture.width, 6);
        EXPECT_EQ(picture.height, 5);
        EXPECT_EQ(picture.shownWidth, 12) << "small pictures are drawn at twice their size";
        EXPECT_EQ(picture.shownHeight, 10);
        EXPECT_EQ(picture.rgba, expected) << "picture " << i << ", " << picture.title;
    }
}

TEST(PreviewPage, PicturesNarrowerThan128PixelsAreDrawnAtTwiceTheirSize) {
    ScopedWorkDir dir;
    writeFile("a.tga", noiseTga(127, 1, 32, 1).bytes());
    writeFile("b.tga", noiseTga(128, 1, 32, 2).bytes());
    std::vector<int> shownWidths;
    for (const PagePicture& picture : picturesOf(pageOfCurrentFolder())) shownWidths.push_back(picture.shownWidth);
    EXPECT_EQ(shownWidths, (std::vector<int>{254, 254, 128, 128}));
}

// The page names the folder the files went to and each file it shows, and
// says why a mask does not show where the icon is transparent.
TEST(PreviewPage, NamesWhereTheFilesWentAndWhyAMaskDoesNotShow) {
    ScopedWorkDir dir;
    TgaFile frame = noiseTga(2, 1, 32, 1);
    frame.data = {9, 9, 9, 255, 9, 9, 9, 0};  // shows on the left pixel only
    writeFile("ZOF_DISABLED_MASK.tga", frame.bytes());
    TgaFile leftClear = noiseTga(2, 1, 32, 2), rightClear = leftClear;
    leftClear.data = {1, 2, 3, 0, 4, 5, 6, 255};
    rightClear.data = {1, 2, 3, 255, 4, 5, 6, 0};
    writeFile("a.tga", leftClear.bytes());
    writeFile("b.tga", rightClear.bytes());
    const std::string page = pageOfCurrentFolder();
    EXPECT_NE(page.find("<p>Files written to: .</p>"), std::string::npos);
    const std::string note = "mask partly hidden: the icon is transparent there";
    const std::size_t rowA = page.find("<b>a.tga</b>"), rowB = page.find("<b>b.tga</b>");
    ASSERT_TRUE(rowA != std::string::npos && rowB != std::string::npos);
    const std::string a = page.substr(rowA, rowB - rowA), b = page.substr(rowB);
    EXPECT_NE(a.find(note), std::string::npos) << a;
    EXPECT_EQ(b.find(note), std::string::npos) << b;
    EXPECT_NE(a.find("<span class=\"file\">DISa.tga</span>"), std::string::npos);
}
