// PNG pictures in runs given arguments: a PNG icon with PNG masks, a PNG
// beside the TGA made from it, --fit, a PNG the decoder refuses, and a run
// without arguments that leaves PNG files alone; the Windows program writes
// the native one's bytes.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "support/png_builder.h"
#include "support/temp_dir.h"
#include "support/tool_runner.h"

using namespace test_support;

namespace {

// 8-bit RGBA of width x height: a gradient, half transparent at the left.
Bytes art(int width, int height, int seed) {
    Bytes rgba;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rgba.insert(rgba.end(), {std::uint8_t(x * 37 + seed), std::uint8_t(y * 23), std::uint8_t(seed * 7),
                                     std::uint8_t(x < width / 4 ? 0 : 255 - y)});
        }
    }
    return rgba;
}

std::vector<std::string> listIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* listing = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(listing)) {
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        }
        closedir(listing);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeFolder(const std::string& folder) {
    ASSERT_TRUE(makeDirectory(folder));
    writeFile(folder + "/Fire.png", rgbaPng(8, 4, art(8, 4, 1)));  // half the masks' height
    writeFile(folder + "/Frost.PNG", rgbaPng(4, 4, art(4, 4, 2)));
    writeFile(folder + "/Frost.tga", {1, 2, 3});                   // made from Frost.PNG
    writeFile(folder + "/Broken.png", {0x89, 'P', 'N', 'G', 1, 2});
    writeFile(folder + "/Storm.tga", noiseTga(4, 4, 32, 5).bytes());  // a folder named Storm.png is no artwork
    ASSERT_TRUE(makeDirectory(folder + "/Storm.png"));
    writeFile(folder + "/ZOF_NORMAL_MASK.png", rgbaPng(4, 4, art(4, 4, 3)));
    writeFile(folder + "/ZOF_DISABLED_MASK.png", rgbaPng(4, 4, art(4, 4, 4)));
}

}  // namespace

TEST(Png, IconsAndMasksInARunWithArgumentsAndTheirTgaFilesMadeAgainAlike) {
    ScopedWorkDir dir;
    writeFolder("icons");
    const Bytes firePng = readFile("icons/Fire.png");
    ToolResult result = runTool({"--no-wait", "--fit", "icons"});
    EXPECT_EQ(result.exitCode, 1) << result.output;  // the broken PNG
    EXPECT_NE(result.output.find("WARN:\tFile \"Broken.png\" is not a PNG picture the tool can read. Skipped!\n"
                                 "Fire.tga              \tPNG   \t   4\t   4\n"
                                 "Frost.tga             \tPNG   \t   4\t   4\n"
                                 "NOTE:\tFile \"Storm.png\" is a folder, not an icon. Skipped!\n"
                                 "Storm.tga             \tNormal\t   4\t   4\n"
                                 "Processing complete! 3 of 4 files processed\n"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(readFile("icons/Fire.png"), firePng) << "a PNG is never written";
    EXPECT_EQ(listIn("icons"),
              (std::vector<std::string>{"Broken.png", "DISFire.tga", "DISFrost.tga", "DISStorm.tga", "Fire.png", "Fire.tga",
                                        "Frost.PNG", "Frost.tga", "Storm.png", "Storm.tga", "ZOF_DISABLED_MASK.png",
                                        "ZOF_NORMAL_MASK.png"}));
    // Fire.png's 8 x 4 are fitted into 4 x 4: a band of 4 x 2 in the middle.
    const Bytes fire = readFile("icons/Fire.tga");
    ASSERT_EQ(fire.size(), 18u + 4 * 4 * 4);
    EXPECT_EQ(fire[12], 4);
    EXPECT_EQ(fire[14], 4);
    EXPECT_EQ(fire[18 + 3], 0) << "the bottom row is padding";

    // Run again, in place: the TGA files are made from the PNG files again,
    // byte for byte.
    std::vector<Bytes> first;
    for (const char* name : {"Fire.tga", "DISFire.tga", "Frost.tga", "DISFrost.tga"}) {
        first.push_back(readFile(std::string("icons/") + name));
    }
    ASSERT_EQ(runTool({"--no-wait", "--fit", "icons"}).exitCode, 1);
    int i = 0;
    for (const char* name : {"Fire.tga", "DISFire.tga", "Frost.tga", "DISFrost.tga"}) {
        EXPECT_EQ(readFile(std::string("icons/") + name), first[i++]) << name;
    }

    if (runningNativeTool()) return;
    // The native program writes the very bytes the Windows program wrote.
    writeFolder("native");
    const std::string windowsCommand = std::getenv("BUTTON_DISABLER_COMMAND");
    setenv("BUTTON_DISABLER_COMMAND", "", 1);
    runTool({"--no-wait", "--fit", "native"});
    setenv("BUTTON_DISABLER_COMMAND", windowsCommand.c_str(), 1);
    i = 0;
    for (const char* name : {"Fire.tga", "DISFire.tga", "Frost.tga", "DISFrost.tga"}) {
        EXPECT_EQ(readFile(std::string("native/") + name), first[i++]) << name;
    }
}

TEST(Png, ARunWithoutArgumentsLeavesPngFilesAlone) {
    ScopedWorkDir dir;
    writeFile("Fire.png", rgbaPng(4, 4, art(4, 4, 1)));
    writeFile("ZOF_NORMAL_MASK.png", rgbaPng(4, 4, art(4, 4, 3)));
    const Bytes before = readFile("Fire.png");
    ToolResult result = runTool();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("No *.tga files in current directory!\n"), std::string::npos) << result.output;
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"Fire.png", "ZOF_NORMAL_MASK.png"}));
    EXPECT_EQ(readFile("Fire.png"), before);
}
