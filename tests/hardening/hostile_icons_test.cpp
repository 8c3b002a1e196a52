// Icons made to hurt: headers that declare far more pixels than the file
// holds, or than memory could. The tool reports them and moves on, without
// touching them and without spending time or memory on pixels that are not
// there.
#include <gtest/gtest.h>

#include <string>

#include "batch/batch_run.h"
#include "support/console_capture.h"
#include "support/temp_dir.h"
#include "support/tga_builder.h"

using namespace test_support;

namespace {

Bytes header(std::uint8_t type, std::uint16_t width, std::uint16_t height, std::uint8_t depth,
             std::uint8_t descriptor, const Bytes& data) {
    TgaFile file;
    file.imageType = type;
    file.width = width;
    file.height = height;
    file.depth = depth;
    file.descriptor = descriptor;
    file.data = data;
    return file.bytes();
}

// Runs one icon through the tool's per-file step and returns what it said;
// the icon must come out byte for byte as it went in.
std::string processAlone(const Bytes& icon, int& processed) {
    ScopedWorkDir dir;
    writeFile("Hostile.tga", icon);
    ConsoleCapture console;
    BatchRun run(console.file());
    processed = run.processFile("Hostile.tga");
    EXPECT_EQ(readFile("Hostile.tga"), icon);
    EXPECT_EQ(listDirectory(), std::vector<std::string>{"Hostile.tga"});
    return console.take();
}

const std::string kNotTrueColour =
    "WARN:\tFile \"Hostile.tga\" is not a 24 or 32 bit true-colour TGA. Left unchanged!\n";
const std::string kTruncated = "WARN:\tFile \"Hostile.tga\" is truncated. Left unchanged!\n";

}  // namespace

// 65535 x 65535 pixels of less than a byte each fit the 1000-byte buffer of
// slack, so nothing bounds them but the work of decoding them: that work
// must stop where the file's data and the buffer end.
TEST(HostileIcons, BillionsOfSubBytePixelsAreReportedWithoutDecodingThemAll) {
    const Bytes kRunOfOne = {0x80, 0x00};
    struct Case {
        const char* what;
        Bytes icon;
    } cases[] = {
        {"uncompressed", header(2, 65535, 65535, 1, 0, {})},
        {"run-length, top-down", header(10, 65535, 65535, 1, 0x20, kRunOfOne)},
        {"run-length raw packets, depth 0", header(10, 65535, 65535, 0, 0, {0x00, 1, 2, 3})},
        {"depth 7, some data", header(2, 65535, 65535, 7, 0x20, Bytes(300, 0x5A))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int processed = -1;
        EXPECT_EQ(processAlone(c.icon, processed), kNotTrueColour);
        EXPECT_EQ(processed, 0);
    }
}

TEST(HostileIcons, HugeTrueColourHeaderOnATinyFileIsReportedAsTruncated) {
    int processed = -1;
    EXPECT_EQ(processAlone(header(10, 30000, 30000, 32, 0, {0xFF, 1, 2, 3, 4}), processed), kTruncated);
    EXPECT_EQ(processed, 0);
}

TEST(HostileIcons, PixelBufferBeyondFourGibibytesIsSkippedSilently) {
    int processed = -1;
    EXPECT_EQ(processAlone(header(2, 65535, 65535, 32, 0, {}), processed), "");
    EXPECT_EQ(processed, 0);
}
