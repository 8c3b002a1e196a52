// A full disk, a refused rename, a vanished file, a read-only folder: each
// failure to write an output must leave that output's previous bytes, no
// temporary file, one WARN line, and a run that goes on with the next file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <set>

#include "batch/batch_run.h"
#include "batch/picture_files.h"
#include "e2e/expected_output.h"
#include "platform/file_faults.h"
#include "platform/names.h"
#include "support/console_capture.h"
#include "support/temp_dir.h"
#include "support/test_environment.h"
#include "support/tga_builder.h"
#include "tga/tga_image.h"

using namespace test_support;
using platform::FileOp;

namespace {

constexpr int kSide = 8;

Bytes iconBytes(int depth, bool runLength, std::uint32_t seed) {
    TgaFile file;
    file.width = kSide;
    file.height = kSide;
    file.depth = static_cast<std::uint8_t>(depth);
    Bytes pixels = noisePixels(kSide, kSide, depth / 8, seed);
    file.imageType = runLength ? 10 : 2;
    file.data = runLength ? encodeRunLength(pixels, depth / 8) : pixels;
    return file.bytes();
}

// Every output of the first icon, in no particular order.
const std::set<std::string> kAlphaOutputs = {"DISAlpha.tga", "PASAlpha.tga", "Alpha_Autocast.tga",
                                             "Alpha.tga"};
const std::set<std::string> kBetaOutputs = {"DISBeta.tga", "PASBeta.tga", "Beta_Autocast.tga", "Beta.tga"};

// Four masks of the icons' size; "Alpha.tga", a 24-bit run-length icon (so
// its outputs go through the widening writer), and "Beta.tga", a 32-bit one.
// With `staleVariants`, Alpha's variants of an earlier run are there too, so
// that every output of Alpha has previous bytes that must survive a failure.
std::map<std::string, Bytes> makeFolder(bool staleVariants) {
    std::map<std::string, Bytes> files;
    files["ZOF_NORMAL_MASK.tga"] = iconBytes(32, false, 11);
    files["ZOF_DISABLED_MASK.tga"] = iconBytes(32, false, 12);
    files["ZOF_PASSIVE_MASK.tga"] = iconBytes(32, false, 13);
    files["ZOF_AUTOCAST_MASK.tga"] = iconBytes(32, false, 14);
    files["Alpha.tga"] = iconBytes(24, true, 21);
    files["Beta.tga"] = iconBytes(32, false, 22);
    if (staleVariants) {
        files["DISAlpha.tga"] = iconBytes(32, false, 31);
        files["PASAlpha.tga"] = iconBytes(32, false, 32);
        files["Alpha_Autocast.tga"] = iconBytes(32, false, 33);
    }
    for (const auto& file : files) writeFile(file.first, file.second);
    return files;
}

std::string cannotWrite(const std::string& name) {
    return "WARN:\tCan't write file \"" + name + "\"!\n";
}

// A complete output: a 32-bit picture of the icons' size that loads whole.
bool isWrittenPicture(const std::string& name) {
    TgaImage image;
    return loadPicture(platform::currentFolder(), name, image) && image.content() == TgaContent::Picture &&
           image.bitsPerPixel == tga::kDepth32 && image.width == kSide && image.height == kSide;
}

std::vector<std::string> sortedNames(const std::map<std::string, Bytes>& files,
                                     const std::set<std::string>& more) {
    std::set<std::string> names(more);
    for (const auto& file : files) names.insert(file.first);
    return std::vector<std::string>(names.begin(), names.end());
}

// A run as the tool makes it, up to the icons: the masks are loaded and the
// notes about them are dropped.
class RunInFolder {
public:
    RunInFolder() : run_(console_.file()) {
        run_.loadMasks();
        console_.take();
    }
    int process(const std::string& name) { return run_.processFile(name); }
    std::string output() { return console_.take(); }
    void showOn(PageFile& page) {
        run_.showOn(page, "", "");
        page.beginPart("", "", run_.masks());
    }

private:
    ConsoleCapture console_;
    BatchRun run_;
};

std::string fileOpName(const ::testing::TestParamInfo<FileOp>& info) {
    switch (info.param) {
        case FileOp::Open: return "Open";
        case FileOp::Write: return "Write";
        case FileOp::Flush: return "Flush";
        case FileOp::Close: return "Close";
        case FileOp::Rename: return "Rename";
        default: return "Other";
    }
}

class FailingFileOperation : public ::testing::TestWithParam<FileOp> {
protected:
    void TearDown() override { platform::clearFaults(); }
};

}  // namespace

// Fails the 1st, 2nd, ... call of one file operation while the first icon
// is worked on, until a call number is past all of its calls. Whichever
// output that hits, only it is lost, and the next icon is done as usual.
TEST_P(FailingFileOperation, OnlyTheOutputItHitsIsLostAndTheRunGoesOn) {
    std::set<std::string> failedOutputs;
    bool pastTheLastCall = false;
    for (int n = 1; n <= 64 && !pastTheLastCall; ++n) {
        SCOPED_TRACE("failing call " + std::to_string(n));
        ScopedWorkDir dir;
        const std::map<std::string, Bytes> before = makeFolder(true);
        RunInFolder run;

        platform::failNth(GetParam(), n);
        int processed = run.process("Alpha.tga");
        std::string text = run.output();
        platform::clearFaults();

        std::set<std::string> failed;
        for (const std::string& output : kAlphaOutputs) {
            if (text.find(cannotWrite(output)) != std::string::npos) failed.insert(output);
        }
        if (failed.empty() && processed == 0) {
            // The icon itself could not be read: nothing is written, nothing said.
            EXPECT_EQ(text, "");
            for (const std::string& output : kAlphaOutputs) EXPECT_EQ(readFile(output), before.at(output));
        } else if (failed.empty()) {
            pastTheLastCall = true;
            EXPECT_EQ(text, reportLine("Alpha.tga", kSide, kSide, true));
        } else {
            ASSERT_EQ(failed.size(), 1u) << text;
            const std::string& lost = *failed.begin();
            failedOutputs.insert(lost);
            EXPECT_EQ(readFile(lost), before.at(lost)) << lost << " lost its previous bytes";
            bool iconLost = lost == "Alpha.tga";
            EXPECT_EQ(processed, iconLost ? 0 : 1);
            EXPECT_EQ(text, iconLost ? cannotWrite(lost)
                                     : cannotWrite(lost) + reportLine("Alpha.tga", kSide, kSide, true));
            for (const std::string& output : kAlphaOutputs) {
                if (output == lost) continue;
                EXPECT_NE(readFile(output), before.at(output)) << output << " was not written";
                EXPECT_TRUE(isWrittenPicture(output)) << output;
            }
        }

        // The run goes on: the next icon and all its variants are written.
        EXPECT_EQ(run.process("Beta.tga"), 1);
        EXPECT_EQ(run.output(), reportLine("Beta.tga", kSide, kSide, false));
        for (const std::string& output : kBetaOutputs) EXPECT_TRUE(isWrittenPicture(output)) << output;
        // No temporary file, nothing else.
        EXPECT_EQ(listDirectory(), sortedNames(before, kBetaOutputs));
    }
    EXPECT_TRUE(pastTheLastCall) << "the icon needs more calls than the test tries";
    EXPECT_EQ(failedOutputs, kAlphaOutputs) << "some output was never hit";
}

INSTANTIATE_TEST_SUITE_P(EveryFileOperation, FailingFileOperation,
                         ::testing::Values(FileOp::Open, FileOp::Write, FileOp::Flush, FileOp::Close,
                                           FileOp::Rename),
                         fileOpName);

class BatchFaults : public ::testing::Test {
protected:
    void TearDown() override { platform::clearFaults(); }
};

TEST_F(BatchFaults, NewVariantThatCannotBeFinishedLeavesNoFile) {
    ScopedWorkDir dir;
    const std::map<std::string, Bytes> before = makeFolder(false);
    RunInFolder run;
    platform::failNth(FileOp::Write, 2);  // the disabled variant's pixels: a full disk
    EXPECT_EQ(run.process("Alpha.tga"), 1);
    EXPECT_EQ(run.output(), cannotWrite("DISAlpha.tga") + reportLine("Alpha.tga", kSide, kSide, true));
    EXPECT_EQ(listDirectory(), sortedNames(before, {"PASAlpha.tga", "Alpha_Autocast.tga"}));
}

TEST_F(BatchFaults, IconDeletedBetweenListingAndItsTurnIsPassedOverSilently) {
    ScopedWorkDir dir;
    const std::map<std::string, Bytes> before = makeFolder(false);
    RunInFolder run;
    ASSERT_EQ(std::remove("Alpha.tga"), 0);
    EXPECT_EQ(run.process("Alpha.tga"), 0);
    EXPECT_EQ(run.output(), "");
    EXPECT_FALSE(fileExists("Alpha.tga"));
    EXPECT_FALSE(fileExists("DISAlpha.tga"));
    EXPECT_EQ(run.process("Beta.tga"), 1);
    EXPECT_EQ(run.output(), reportLine("Beta.tga", kSide, kSide, false));
}

TEST_F(BatchFaults, ReadOnlyFolderLosesNothingAndSaysSoForEachOutput) {
    // Refused by the folder's own permission bits, for root as for anyone.
    SKIP_UNLESS_READ_ONLY_FOLDERS_BIND();
    ScopedWorkDir dir;
    const std::map<std::string, Bytes> before = makeFolder(true);
    RunInFolder run;
    ASSERT_EQ(chmod(".", 0555), 0);
    platform::forgetDirectory();  // changed behind the run's back
    int processed = run.process("Alpha.tga");
    chmod(".", 0755);
    EXPECT_EQ(processed, 0);
    EXPECT_EQ(run.output(), cannotWrite("DISAlpha.tga") + cannotWrite("PASAlpha.tga") +
                                cannotWrite("Alpha_Autocast.tga") + cannotWrite("Alpha.tga"));
    for (const auto& file : before) EXPECT_EQ(readFile(file.first), file.second) << file.first;
    EXPECT_EQ(listDirectory(), sortedNames(before, {}));
}

TEST_F(BatchFaults, ReadOnlyIconKeepsItsBytesWhileItsVariantsAreMade) {
    // Refused by its own permission bits, for root as for anyone.
    ScopedWorkDir dir;
    const std::map<std::string, Bytes> before = makeFolder(false);
    RunInFolder run;
    ASSERT_EQ(chmod("Alpha.tga", 0444), 0);
    EXPECT_EQ(run.process("Alpha.tga"), 0);
    EXPECT_EQ(run.output(), cannotWrite("Alpha.tga"));
    EXPECT_EQ(readFile("Alpha.tga"), before.at("Alpha.tga"));
    for (const char* variant : {"DISAlpha.tga", "PASAlpha.tga", "Alpha_Autocast.tga"}) {
        EXPECT_TRUE(isWrittenPicture(variant)) << variant;
    }
    EXPECT_EQ(run.process("Beta.tga"), 1);
}

// A page that cannot be written on (a full disk) is given up at once: its
// temporary file goes before the next icon, which is written as without
// the page, and the page is not put in place.
TEST_F(BatchFaults, PageGivenUpAtItsFirstFailedWriteHoldsNoSpace) {
    bool pageHit = false;
    for (int n = 1; n <= 64 && !pageHit; ++n) {
        SCOPED_TRACE("failing write " + std::to_string(n));
        ScopedWorkDir dir;
        const std::map<std::string, Bytes> before = makeFolder(false);
        RunInFolder run;
        PageFile page;
        page.open(platform::currentFolder(), "", platform::LocalTime());
        ASSERT_TRUE(page.showing());
        run.showOn(page);
        platform::failNth(FileOp::Write, n);
        run.process("Alpha.tga");
        pageHit = run.output().find("Can't write") == std::string::npos;
        platform::clearFaults();
        if (!pageHit) continue;
        EXPECT_EQ(listDirectory(), sortedNames(before, kAlphaOutputs));
        EXPECT_EQ(run.process("Beta.tga"), 1);
        for (const std::string& output : kBetaOutputs) EXPECT_TRUE(isWrittenPicture(output)) << output;
        EXPECT_FALSE(page.commit());
    }
    EXPECT_TRUE(pageHit);
}
