// The preview page of a folder with a missing mask, a mask of another size,
// a file the tool cannot decode and a variant that cannot be written, in
// the folder or in the --output folder: what each row says, and the same
// page from the Windows program as from the native one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <regex>

#include "support/temp_dir.h"
#include "support/tool_runner.h"

using namespace test_support;

namespace {

// The page's masks and rows as text: each picture as [the file it shows],
// each cell starting with '|', no other markup.
std::vector<std::string> shownLines(const std::string& page) {
    static const std::regex picture("<img [^>]*title=\"([^\"]*)\"[^>]*>"), cell("<t[dh][^>]*>"), tag("<[^>]*>");
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = page.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = page.substr(at, end - at);
        if (line.compare(0, 8, "<figure>") != 0 && line.compare(0, 8, "<tr><td>") != 0 &&
            line.compare(0, 7, "<tr><td") != 0) {
            continue;
        }
        line = std::regex_replace(line, picture, "[$1]");
        line = std::regex_replace(std::regex_replace(line, cell, "|"), tag, "");
        lines.push_back(line);
    }
    return lines;
}

std::string localTime(std::time_t when) {
    char text[32] = "";
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&when));
    return text;
}

std::string pageIn(const std::string& folder) {
    Bytes page = readFile(folder + "/button-disabler-preview.html");
    return std::string(page.begin(), page.end());
}

void writeFolder(const std::string& folder) {
    ASSERT_TRUE(makeDirectory(folder));
    writeFile(folder + "/ZOF_NORMAL_MASK.tga", noiseTga(8, 8, 32, 1).bytes());
    writeFile(folder + "/ZOF_PASSIVE_MASK.tga", noiseTga(4, 4, 32, 2).bytes());
    writeFile(folder + "/ZOF_AUTOCAST_MASK.tga", noiseTga(8, 8, 32, 3).bytes());
    TgaFile grey = noiseTga(8, 8, 8, 4);  // greyscale: not decoded
    grey.imageType = 3;
    writeFile(folder + "/Broken\xE2\x80\xAE\xE2\x81\xA6.tga", grey.bytes());  // direction controls: '?'s
    writeFile(folder + "/Good.tga", noiseTga(8, 8, 24, 5).bytes());
    writeFile(folder + "/Locked.tga", noiseTga(8, 8, 32, 6).bytes());
    ASSERT_TRUE(makeDirectory(folder + "/Locked_Autocast.tga"));  // no file can take its place
}

}  // namespace

class Preview : public ::testing::TestWithParam<bool> {};

TEST_P(Preview, RowsSayWhatWasMadeAndWhyNot) {
    const bool toOutput = GetParam();
    const std::string written = toOutput ? "out" : "icons";
    ScopedWorkDir dir;
    writeFolder("icons");
    // A private picture; for the Windows program under wine, one that
    // Everyone may not read (wine reads the bits as an access list).
    const bool posix = runningNativeTool();
    ASSERT_EQ(chmod("icons/Good.tga", 0600), 0);
    std::vector<std::string> arguments = {"--no-wait", "--preview", "icons"};
    if (toOutput) {
        ASSERT_TRUE(makeDirectory("out") && makeDirectory("out/Locked_Autocast.tga"));
        arguments.insert(arguments.end(), {"--output", "out"});
    }
    const std::string started = localTime(std::time(nullptr));
    ToolResult result = runTool(arguments);
    const std::string ended = localTime(std::time(nullptr));
    EXPECT_EQ(result.exitCode, 1);  // an icon left unchanged, a variant not written
    const std::string separator = runningNativeTool() ? "/" : "\\";
    EXPECT_NE(result.output.find("Processing complete! 2 of 3 files processed\nPreview: \"" + written + separator +
                                 "button-disabler-preview.html\"\n"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(fileExists("icons/button-disabler-preview.html"), !toOutput);
    struct stat pageFile;
    ASSERT_EQ(stat((written + "/button-disabler-preview.html").c_str(), &pageFile), 0);
    // (Wine gives the group what the owner has.)
    EXPECT_EQ(pageFile.st_mode & (posix ? 077 : 007), 0u) << "a private icon's pictures in a page others may read";
    ASSERT_EQ(stat((written + "/Good_Autocast.tga").c_str(), &pageFile), 0);
    EXPECT_EQ(pageFile.st_mode & (posix ? 0177 : 0107), 0u) << "a variant others may read, or run";
    const std::vector<std::string> expected = {
        "ZOF_NORMAL_MASK.tgaused, 8 &times; 8[ZOF_NORMAL_MASK.tga]",
        "ZOF_DISABLED_MASK.tganot found",
        "ZOF_PASSIVE_MASK.tgaused, 4 &times; 4[ZOF_PASSIVE_MASK.tga]",
        "ZOF_AUTOCAST_MASK.tgaused, 8 &times; 8[ZOF_AUTOCAST_MASK.tga]",
        "|Broken??.tgaWARN: File &quot;Broken??.tga&quot; is not a 24 or 32 bit true-colour TGA. Left unchanged!"
        "|8 &times; 8type 3, 8 bits|left unchanged|left unchanged|left unchanged|left unchanged|left unchanged",
        "|Good.tga|8 &times; 8Normal, 24 bits|[Good.tga]Good.tga|[Good.tga]Good.tga|mask missing"
        "|no mask of the icon's size (the mask is 4 &times; 4)|[Good_Autocast.tga]Good_Autocast.tga",
        "|Locked.tgaWARN: Can&#39;t write file &quot;Locked_Autocast.tga&quot;!|8 &times; 8Normal, 32 bits"
        "|[Locked.tga]Locked.tga|[Locked.tga]Locked.tga|mask missing"
        "|no mask of the icon's size (the mask is 4 &times; 4)|not written",
        "|Processing complete! 2 of 3 files processed",
    };
    const std::string page = pageIn(written);
    EXPECT_EQ(shownLines(page), expected);
    std::smatch run;  // the time of the run, as this machine tells it
    if (posix && std::regex_search(page, run, std::regex("<p>Run: ([^<]*)</p>"))) {
        EXPECT_TRUE(started <= run[1].str() && run[1].str() <= ended) << run[1];
    } else {
        EXPECT_FALSE(posix) << "no time of the run";
    }

    if (runningNativeTool() || toOutput) return;
    // The native program on the same folder writes the same page, its time
    // of the run aside.
    writeFolder("native");
    const char* windows = std::getenv("BUTTON_DISABLER_COMMAND");
    const std::string windowsCommand = windows;
    setenv("BUTTON_DISABLER_COMMAND", "", 1);
    ToolResult native = runTool({"--no-wait", "--preview", "native"});
    setenv("BUTTON_DISABLER_COMMAND", windowsCommand.c_str(), 1);
    ASSERT_EQ(native.exitCode, 1);  // warned, as the Windows program did
    static const std::regex time("<p>Run: [^<]*</p>"), folder("native");
    EXPECT_EQ(std::regex_replace(std::regex_replace(pageIn("native"), time, ""), folder, "icons"),
              std::regex_replace(page, time, ""));
}

INSTANTIATE_TEST_SUITE_P(InPlaceAndToOutput, Preview, ::testing::Bool());

// Under a memory limit a run with the page does every icon as one without
// it: a picture that cannot be had says so, as one over the budget does,
// and no temporary file is left.
TEST(PreviewMemory, PicturesThatDoNotFitCostTheRunNothing) {
    if (!runningNativeTool() || std::getenv("ASAN_OPTIONS") != nullptr) {
        GTEST_SKIP() << "limits this machine's address space, of which AddressSanitizer needs far more";
    }
    ScopedWorkDir dir;
    writeFile("Big.tga", noiseTga(2048, 2048, 32, 1).bytes());  // the largest shown, 16 MiB of pixels
    writeFile("Huge.tga", noiseTga(2049, 2048, 32, 2).bytes());
    writeFile("Small.tga", noiseTga(4, 4, 32, 3).bytes());
    ToolSetup setup;
    setup.arguments = {"--no-wait", "--preview"};
    // Ample for the run, too little for Big.tga's PNG files.
    setup.runAs = {"sh", "-c", "ulimit -v 65536 && exec \"$0\" \"$@\""};
    ToolResult result = runTool(setup);
    EXPECT_NE(result.output.find("Processing complete! 3 of 3 files processed\n"
                                 "Preview: \"button-disabler-preview.html\"\n"),
              std::string::npos)
        << result.output;
    const std::string noMasks = "without the normal mask: mask missing|mask missing|mask missing|mask missing";
    const std::vector<std::string> rows = {
        "|Big.tga|2048 &times; 2048Normal, 32 bits|not shown: out of memoryBig.tga|not shown: out of memoryBig.tga" +
            noMasks,
        "|Huge.tga|2049 &times; 2048Normal, 32 bits|too large to show (2049 &times; 2048)Huge.tga"
        "|too large to show (2049 &times; 2048)Huge.tga" + noMasks,
        "|Small.tga|4 &times; 4Normal, 32 bits|[Small.tga]Small.tga|[Small.tga]Small.tga" + noMasks,
    };
    const std::vector<std::string> lines = shownLines(pageIn("."));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end() - 1), rows);
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"Big.tga", "Huge.tga", "Small.tga",
                                                         "button-disabler-preview.html"}));
}
