// The built tool run in scratch folders: console output byte for byte, the
// files afterwards, and the exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "e2e/expected_output.h"
#include "support/temp_dir.h"
#include "support/tga_builder.h"
#include "support/tool_runner.h"

using namespace test_support;

namespace {

TgaFile icon(std::uint16_t width, std::uint16_t height, std::uint8_t depth = 32, std::uint32_t seed = 1) {
    return noiseTga(width, height, depth, seed);
}

// Runs the tool and returns the text between banner and closing block.
std::string runBody() {
    ToolResult result = runTool();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.errors, "");
    return bodyOf(result.output);
}

}  // namespace

TEST(BatchRun, EmptyFolderPrintsTheWholeTranscript) {
    ScopedWorkDir dir;
    ToolResult result = runTool();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, std::string(kExpectedBanner) + kAllMasksMissing +
                                 "No *.tga files in current directory!\n" + kExpectedClosing);
    EXPECT_TRUE(listDirectory().empty());
}

TEST(BatchRun, MasksAloneAreNotCandidates) {
    ScopedWorkDir dir;
    Bytes mask = icon(4, 4).bytes();
    for (const char* name : {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga",
                             "ZOF_AUTOCAST_MASK.tga"}) {
        writeFile(name, mask);
    }
    EXPECT_EQ(runBody(), kProcessingHeader + summaryLine(0, 0));
    EXPECT_EQ(readFile("ZOF_NORMAL_MASK.tga"), mask);
    EXPECT_EQ(listDirectory().size(), 4u);
}

TEST(BatchRun, EligibilityRulesAndRunOrder) {
    ScopedWorkDir dir;
    Bytes skipped = icon(2, 2).bytes();
    // Variants of earlier runs and masks in any letter case: never touched.
    for (const char* name : {"DISCO.tga", "pasture.tga", "Fire_AUTOCAST.tga", "zof_passive_mask.TGA"}) {
        writeFile(name, skipped);
    }
    writeFile("notes.txt", skipped);
    writeFile("b.tga", icon(3, 2).bytes());
    writeFile("A.TGA", icon(2, 3).bytes());
    writeFile("_x.Tga", icon(1, 1).bytes());
    writeFile("Z.tga", icon(5, 1).bytes());
    writeFile(".tga", icon(1, 2).bytes());

    // Letters are ordered as upper case, so '_' comes after them. The passive
    // mask is found under its lower-case name.
    const std::string notes =
        "NOTE:\tFile \"ZOF_NORMAL_MASK.tga\" not found. No normal mask found!\n"
        "NOTE:\tFile \"ZOF_DISABLED_MASK.tga\" not found. No disabled mask found!\n"
        "NOTE:\tFile \"ZOF_AUTOCAST_MASK.tga\" not found. No autocast mask found!\n";
    EXPECT_EQ(runBody(), notes + kProcessingHeader + reportLine(".tga", 1, 2) +
                             reportLine("A.tga", 2, 3) + reportLine("b.tga", 3, 2) +
                             reportLine("Z.tga", 5, 1) + reportLine("_x.tga", 1, 1) + summaryLine(5, 5));
    for (const char* name : {"DISCO.tga", "pasture.tga", "Fire_AUTOCAST.tga", "zof_passive_mask.TGA", "notes.txt"}) {
        EXPECT_EQ(readFile(name), skipped) << name;
    }
    // Rewritten in place under the names they were found as.
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{".tga", "A.TGA", "DISCO.tga", "Fire_AUTOCAST.tga",
                                                         "Z.tga", "_x.Tga", "b.tga", "notes.txt",
                                                         "pasture.tga", "zof_passive_mask.TGA"}));
}

TEST(BatchRun, RewritesEveryFormAsUncompressed32BitBottomUp) {
    ScopedWorkDir dir;
    TgaFile plain = icon(3, 2, 32, 7);
    plain.id = "kept ID";
    TgaFile rle24 = icon(4, 3, 24, 8);
    Bytes rgb = rle24.data;
    rle24.imageType = 10;
    rle24.data = encodeRunLength(rgb, 3);
    TgaFile topDown = icon(2, 2, 32, 9);
    topDown.descriptor = 0x20;
    writeFile("plain.tga", plain.bytes());
    writeFile("rle24.tga", rle24.bytes());
    writeFile("topdown.tga", topDown.bytes());

    EXPECT_EQ(runBody(), std::string(kAllMasksMissing) + kProcessingHeader + reportLine("plain.tga", 3, 2) +
                             reportLine("rle24.tga", 4, 3, true) + reportLine("topdown.tga", 2, 2) + summaryLine(3, 3));

    Bytes plainBytes = plain.bytes();
    EXPECT_EQ(readFile("plain.tga"), plainBytes);  // already in the output form

    Bytes widened;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        widened.insert(widened.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
    }
    Bytes rleHeader = rle24.bytes();
    rleHeader.resize(18);
    EXPECT_EQ(readFile("rle24.tga"), savedForm(rleHeader, widened));

    Bytes flipped(topDown.data.begin() + 8, topDown.data.end());
    flipped.insert(flipped.end(), topDown.data.begin(), topDown.data.begin() + 8);
    Bytes topHeader = topDown.bytes();
    topHeader.resize(18);
    EXPECT_EQ(readFile("topdown.tga"), savedForm(topHeader, flipped));
}

TEST(BatchRun, FilesItCannotDecodeAreLeftUnchanged) {
    ScopedWorkDir dir;
    TgaFile grey = icon(2, 2, 8);
    grey.imageType = 3;
    TgaFile sixteen = icon(2, 2, 16);
    TgaFile mapped = icon(2, 2, 24);
    mapped.colorMapType = 1;
    mapped.colorMapLength = 2;
    TgaFile shortData = icon(4, 4, 32);
    shortData.data.resize(shortData.data.size() - 1);
    TgaFile shortRle = icon(4, 4, 24);
    shortRle.imageType = 10;
    shortRle.data = encodeRunLength(shortRle.data, 3);
    shortRle.data.pop_back();
    Bytes shortHeader = icon(2, 2).bytes();
    shortHeader.resize(17);
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"a_grey.tga", grey.bytes()},      {"b_16.tga", sixteen.bytes()},
        {"c_mapped.tga", mapped.bytes()},  {"d_short.tga", shortData.bytes()},
        {"e_shortrle.tga", shortRle.bytes()}, {"f_header.tga", shortHeader},
        {"g_empty.tga", Bytes()},
    };
    for (const auto& file : files) writeFile(file.first, file.second);
    mkdir("h_folder.tga", 0755);

    const std::string notTrueColour = "\" is not a 24 or 32 bit true-colour TGA. Left unchanged!\n";
    const std::string truncated = "\" is truncated. Left unchanged!\n";
    EXPECT_EQ(runBody(), std::string(kAllMasksMissing) + kProcessingHeader +
                             "WARN:\tFile \"a_grey.tga" + notTrueColour +
                             "WARN:\tFile \"b_16.tga" + notTrueColour +
                             "WARN:\tFile \"c_mapped.tga" + notTrueColour +
                             "WARN:\tFile \"d_short.tga" + truncated +
                             "WARN:\tFile \"e_shortrle.tga" + truncated +
                             "WARN:\tFile \"f_header.tga" + truncated +
                             "WARN:\tFile \"g_empty.tga" + notTrueColour +
                             summaryLine(0, 8));
    for (const auto& file : files) EXPECT_EQ(readFile(file.first), file.second) << file.first;
    EXPECT_EQ(listDirectory().size(), files.size() + 1);  // nothing left behind
}

TEST(BatchRun, HugeDeclaredSizeInATinyFileIsHandledCheaply) {
    ScopedWorkDir dir;
    TgaFile huge;
    huge.width = 32767;
    huge.height = 32767;  // 4 GB of pixels declared in a 50-byte file
    huge.data = Bytes(32, 7);
    TgaFile beyond = huge;
    beyond.width = beyond.height = 65535;  // more than 32 bits can address
    writeFile("huge.tga", huge.bytes());
    writeFile("beyond.tga", beyond.bytes());
    EXPECT_EQ(runBody(), std::string(kAllMasksMissing) + kProcessingHeader +
                             "WARN:\tFile \"huge.tga\" is truncated. Left unchanged!\n" + summaryLine(0, 2));
    EXPECT_EQ(readFile("huge.tga"), huge.bytes());
    EXPECT_EQ(readFile("beyond.tga"), beyond.bytes());
}

TEST(BatchRun, MaskNotesNameEachMissingOrUnusableMask) {
    ScopedWorkDir dir;
    writeFile("zof_normal_mask.tga", icon(2, 2).bytes());  // found whatever its letter case
    TgaFile broken = icon(2, 2);
    broken.data.resize(3);
    writeFile("ZOF_PASSIVE_MASK.tga", broken.bytes());
    TgaFile grey = icon(2, 2, 8);
    grey.imageType = 3;
    writeFile("ZOF_AUTOCAST_MASK.tga", grey.bytes());
    EXPECT_EQ(runBody(), "NOTE:\tFile \"ZOF_DISABLED_MASK.tga\" not found. No disabled mask found!\n"
                         "NOTE:\tFile \"ZOF_PASSIVE_MASK.tga\" is not a usable mask. No passive mask found!\n"
                         "NOTE:\tFile \"ZOF_AUTOCAST_MASK.tga\" is not a usable mask. No autocast mask found!\n" +
                             std::string(kProcessingHeader) + summaryLine(0, 0));
}

// An entry of a mask's name that is there but gives no picture is not a
// missing mask.
TEST(BatchRun, MaskThatIsThereButGivesNoPictureIsUnusableNotMissing) {
    ScopedWorkDir dir;
    ASSERT_TRUE(makeDirectory("ZOF_NORMAL_MASK.tga"));
    const bool posix = runningNativeTool();
    if (posix) {
        ASSERT_EQ(mkfifo("zof_disabled_mask.tga", 0644), 0);
        ASSERT_EQ(symlink("gone.tga", "ZOF_PASSIVE_MASK.tga"), 0);
    }
    const std::string there = "is not a usable mask.";
    const std::string missing = "not found.";
    EXPECT_EQ(runBody(), "NOTE:\tFile \"ZOF_NORMAL_MASK.tga\" " + there + " No normal mask found!\n" +
                             "NOTE:\tFile \"ZOF_DISABLED_MASK.tga\" " + (posix ? there : missing) +
                             " No disabled mask found!\n" + "NOTE:\tFile \"ZOF_PASSIVE_MASK.tga\" " +
                             (posix ? there : missing) + " No passive mask found!\n" +
                             "NOTE:\tFile \"ZOF_AUTOCAST_MASK.tga\" not found. No autocast mask found!\n" +
                             "WARN:\tCan't find any mask! Nothing to process\n" + kProcessingHeader +
                             summaryLine(0, 0));
}

TEST(BatchRun, UnusableMasksAloneMeanNoMaskAtAll) {
    ScopedWorkDir dir;
    for (const char* name : {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga",
                             "ZOF_AUTOCAST_MASK.tga"}) {
        writeFile(name, Bytes{1, 2, 3});
    }
    EXPECT_EQ(runBody(), "NOTE:\tFile \"ZOF_NORMAL_MASK.tga\" is not a usable mask. No normal mask found!\n"
                         "NOTE:\tFile \"ZOF_DISABLED_MASK.tga\" is not a usable mask. No disabled mask found!\n"
                         "NOTE:\tFile \"ZOF_PASSIVE_MASK.tga\" is not a usable mask. No passive mask found!\n"
                         "NOTE:\tFile \"ZOF_AUTOCAST_MASK.tga\" is not a usable mask. No autocast mask found!\n"
                         "WARN:\tCan't find any mask! Nothing to process\n" +
                             std::string(kProcessingHeader) + summaryLine(0, 0));
}

TEST(BatchRun, NamesDifferingOnlyInCaseAreTwoIcons) {
    if (!runningNativeTool()) GTEST_SKIP() << "Windows file systems cannot hold both names";
    ScopedWorkDir dir;
    TgaFile upper = icon(1, 1, 24, 1);
    TgaFile lower = icon(1, 1, 24, 2);
    writeFile("Fire.TGA", upper.bytes());
    writeFile("Fire.tga", lower.bytes());
    EXPECT_EQ(runBody(), std::string(kAllMasksMissing) + kProcessingHeader + reportLine("Fire.tga", 1, 1) +
                             reportLine("Fire.tga", 1, 1) + summaryLine(2, 2));
    // Each rewritten once, from its own pixels.
    EXPECT_EQ(readFile("Fire.TGA")[18], upper.data[0]);
    EXPECT_EQ(readFile("Fire.tga")[18], lower.data[0]);
    EXPECT_EQ(readFile("Fire.TGA").size(), 18u + 4u);
    EXPECT_EQ(readFile("Fire.tga").size(), 18u + 4u);
}

TEST(BatchRun, IconsDifferingOnlyInCaseEachGetTheirOwnVariants) {
    if (!runningNativeTool()) GTEST_SKIP() << "Windows file systems cannot hold both names";
    ScopedWorkDir dir;
    TgaFile clear = icon(1, 1, 32, 3);
    clear.data = {0, 0, 0, 0};  // lays nothing over: each variant keeps its icon's colour
    writeFile("ZOF_DISABLED_MASK.tga", clear.bytes());
    writeFile("Fire.tga", icon(1, 1, 24, 1).bytes());
    writeFile("FIRE.tga", icon(1, 1, 24, 2).bytes());
    writeFile("fire.TGA", icon(1, 1, 16, 3).bytes());  // refused: the warning names it as it is
    EXPECT_NE(runBody().find("WARN:\tFile \"fire.TGA\" is not a 24 or 32 bit true-colour TGA. Left unchanged!\n"),
              std::string::npos);
    EXPECT_TRUE(fileExists("DISFire.tga") && fileExists("DISFIRE.tga"));
    EXPECT_NE(readFile("DISFire.tga"), readFile("DISFIRE.tga"));
    // Written into an output folder, they are still two icons of one part.
    EXPECT_EQ(runTool({"-o", "out", "."}).output.find("already written"), std::string::npos);
    EXPECT_TRUE(fileExists("out/DISFire.tga") && fileExists("out/DISFIRE.tga"));
}

TEST(BatchRun, LongNamesAreReportedInFull) {
    ScopedWorkDir dir;
    std::string longName = std::string(40, 'n') + ".tga";
    writeFile(longName, icon(1, 1).bytes());
    EXPECT_EQ(runBody(), std::string(kAllMasksMissing) + kProcessingHeader + longName + "\tNormal\t   1\t   1\n" +
                             summaryLine(1, 1));
}

TEST(BatchRun, ReadOnlyIconIsReportedAndLeftAsItWas) {
    // Refused by its own permission bits, for root as for anyone (root's
    // override would let it be written); under wine a file without write
    // permission is read-only to Windows programs.
    ScopedWorkDir dir;
    Bytes original = icon(2, 2, 24).bytes();  // 24 bits: a rewrite would change it
    writeFile("locked.tga", original);
    chmod("locked.tga", 0444);
    EXPECT_EQ(runBody(), std::string(kAllMasksMissing) + kProcessingHeader +
                             "WARN:\tCan't write file \"locked.tga\"!\n" + summaryLine(0, 1));
    EXPECT_EQ(readFile("locked.tga"), original);
    EXPECT_EQ(listDirectory(), std::vector<std::string>{"locked.tga"});  // no temporary left
}
