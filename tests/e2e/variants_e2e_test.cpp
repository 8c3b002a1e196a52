// The built tool making the DIS, PAS and _Autocast variants and laying the
// normal mask, checked against results computed here from first principles.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

#include "e2e/expected_output.h"
#include "support/temp_dir.h"
#include "support/tga_builder.h"
#include "support/tool_runner.h"

using namespace test_support;

namespace {

TgaFile image(std::uint16_t width, std::uint16_t height, std::uint8_t depth, std::uint32_t seed) {
    return noiseTga(width, height, depth, seed);
}

// Blue, green, red, alpha for every pixel, alpha 255 where the file has none.
Bytes asBgra(const Bytes& pixels, int bytesPerPixel) {
    if (bytesPerPixel == 4) return pixels;
    Bytes out;
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        out.insert(out.end(), {pixels[i], pixels[i + 1], pixels[i + 2], 255});
    }
    return out;
}

// The "over" operator with the mask in front, in integers, alpha untouched.
Bytes laidOver(Bytes image, const Bytes& mask) {
    for (std::size_t i = 0; i < image.size(); i += 4) {
        unsigned aImage = image[i + 3];
        unsigned aMask = mask[i + 3];
        unsigned wImage = (255 - aMask) * aImage / 255;
        unsigned total = aMask + wImage;
        if (total == 0) continue;
        for (int k = 0; k < 3; ++k) {
            image[i + k] = static_cast<std::uint8_t>((mask[i + k] * aMask + image[i + k] * wImage) / total);
        }
    }
    return image;
}

Bytes headerOf(const TgaFile& file) {
    Bytes bytes = file.bytes();
    return Bytes(bytes.begin(), bytes.begin() + 18 + static_cast<long>(file.id.size()));
}

struct Masks {
    TgaFile normal, disabled, passive, autocast;
};

Masks writeMasks(std::uint16_t size, std::uint8_t depth = 32) {
    Masks masks{image(size, size, depth, 101), image(size, size, depth, 102), image(size, size, depth, 103),
                image(size, size, depth, 104)};
    writeFile("ZOF_NORMAL_MASK.tga", masks.normal.bytes());
    writeFile("ZOF_DISABLED_MASK.tga", masks.disabled.bytes());
    writeFile("ZOF_PASSIVE_MASK.tga", masks.passive.bytes());
    writeFile("ZOF_AUTOCAST_MASK.tga", masks.autocast.bytes());
    return masks;
}

std::string run() {
    ToolResult result = runTool();
    EXPECT_EQ(result.exitCode, 0);
    return bodyOf(result.output);
}

// The 32-bit pixels of `pixels` taken in the order of their indexes.
// (Sized first and filled byte by byte: growing it by insert makes GCC 12
// warn of an overflow that cannot happen, which breaks the Release build.)
Bytes pixelsInOrder(const Bytes& pixels, std::initializer_list<int> indexes) {
    Bytes out(indexes.size() * 4);
    std::size_t at = 0;
    for (int index : indexes) {
        for (int k = 0; k < 4; ++k) out[at++] = pixels[static_cast<std::size_t>(index * 4 + k)];
    }
    return out;
}

}  // namespace

TEST(Variants, AllFourMasksGiveThreeVariantsAndAMaskedIcon) {
    ScopedWorkDir dir;
    Masks masks = writeMasks(8);
    TgaFile fire = image(8, 8, 32, 5);
    fire.id = "icon";
    writeFile("Fire.tga", fire.bytes());

    EXPECT_EQ(run(), kProcessingHeader + reportLine("Fire.tga", 8, 8) + summaryLine(1, 1));

    Bytes header = headerOf(fire);
    EXPECT_EQ(readFile("DISFire.tga"), savedForm(header, laidOver(fire.data, masks.disabled.data)));
    EXPECT_EQ(readFile("PASFire.tga"), savedForm(header, laidOver(fire.data, masks.passive.data)));
    EXPECT_EQ(readFile("Fire_Autocast.tga"), savedForm(header, laidOver(fire.data, masks.autocast.data)));
    EXPECT_EQ(readFile("Fire.tga"), savedForm(header, laidOver(fire.data, masks.normal.data)));
    EXPECT_EQ(readFile("ZOF_NORMAL_MASK.tga"), masks.normal.bytes());
    EXPECT_EQ(listDirectory().size(), 8u);  // no temporary file left
}

TEST(Variants, MaskOfAnotherSizeIsSkippedSilently) {
    ScopedWorkDir dir;
    writeMasks(8);
    writeFile("ZOF_PASSIVE_MASK.tga", image(4, 4, 32, 9).bytes());
    TgaFile fire = image(8, 8, 32, 5);
    writeFile("Fire.tga", fire.bytes());
    EXPECT_EQ(run(), kProcessingHeader + reportLine("Fire.tga", 8, 8) + summaryLine(1, 1));
    EXPECT_TRUE(fileExists("DISFire.tga"));
    EXPECT_FALSE(fileExists("PASFire.tga"));
    EXPECT_TRUE(fileExists("Fire_Autocast.tga"));
}

// A mask of the icon's size that is no usable picture (cut short) makes no
// variant, not even an unmasked copy.
TEST(Variants, UnusableMaskOfTheIconsSizeMakesNoVariant) {
    ScopedWorkDir dir;
    writeMasks(8);
    TgaFile broken = image(8, 8, 32, 9);
    broken.data.resize(100);
    writeFile("ZOF_PASSIVE_MASK.tga", broken.bytes());
    writeFile("Fire.tga", image(8, 8, 32, 5).bytes());
    run();
    EXPECT_TRUE(fileExists("DISFire.tga"));
    EXPECT_FALSE(fileExists("PASFire.tga"));
}

TEST(Variants, TwentyFourBitIconAndMasksGiveOpaque32BitVariants) {
    ScopedWorkDir dir;
    Masks masks = writeMasks(4, 24);
    TgaFile icon = image(4, 4, 24, 6);
    writeFile("icon.tga", icon.bytes());
    EXPECT_EQ(run(), kProcessingHeader + reportLine("icon.tga", 4, 4) + summaryLine(1, 1));
    // An opaque mask replaces every colour; alpha becomes 255.
    EXPECT_EQ(readFile("DISicon.tga"), savedForm(headerOf(icon), asBgra(masks.disabled.data, 3)));
    EXPECT_EQ(readFile("icon.tga"), savedForm(headerOf(icon), asBgra(masks.normal.data, 3)));
}

TEST(Variants, RunLengthIconGivesUncompressedVariants) {
    ScopedWorkDir dir;
    Masks masks = writeMasks(6);
    TgaFile icon = image(6, 6, 32, 11);
    Bytes pixels = icon.data;
    icon.imageType = 10;
    icon.data = encodeRunLength(pixels, 4);
    writeFile("rle.tga", icon.bytes());
    EXPECT_EQ(run(), kProcessingHeader + reportLine("rle.tga", 6, 6, true) + summaryLine(1, 1));
    EXPECT_EQ(readFile("PASrle.tga"), savedForm(headerOf(icon), laidOver(pixels, masks.passive.data)));
}

// A top-down icon (with alpha bits declared) and a right-to-left mask meet
// in the picture's true orientation; the variant is written bottom-up.
TEST(Variants, IconAndMaskOfOtherOriginsMeetInTheirTrueOrientation) {
    ScopedWorkDir dir;
    Masks masks = writeMasks(2);
    masks.autocast.descriptor = 0x18;
    writeFile("ZOF_AUTOCAST_MASK.tga", masks.autocast.bytes());
    TgaFile icon = image(2, 2, 32, 12);
    icon.descriptor = 0x28;
    writeFile("top.tga", icon.bytes());
    EXPECT_EQ(run(), kProcessingHeader + reportLine("top.tga", 2, 2) + summaryLine(1, 1));
    Bytes bottomUpIcon = pixelsInOrder(icon.data, {2, 3, 0, 1});       // stored top row first
    Bytes trueMask = pixelsInOrder(masks.autocast.data, {1, 0, 3, 2});  // stored right to left
    EXPECT_EQ(readFile("top_Autocast.tga"), savedForm(headerOf(icon), laidOver(bottomUpIcon, trueMask)));
}

TEST(Variants, SecondRunMasksTheIconAgainAndSkipsTheVariants) {
    ScopedWorkDir dir;
    Masks masks = writeMasks(4);
    TgaFile icon = image(4, 4, 32, 13);
    writeFile("Fire.tga", icon.bytes());
    run();
    Bytes once = laidOver(icon.data, masks.normal.data);
    EXPECT_EQ(run(), kProcessingHeader + reportLine("Fire.tga", 4, 4) + summaryLine(1, 1));
    EXPECT_EQ(readFile("Fire.tga"), savedForm(headerOf(icon), laidOver(once, masks.normal.data)));
    EXPECT_EQ(readFile("DISFire.tga"), savedForm(headerOf(icon), laidOver(once, masks.disabled.data)));
}

TEST(Variants, ExistingVariantIsReplacedUnderItsOwnSpelling) {
    ScopedWorkDir dir;
    Masks masks = writeMasks(4);
    TgaFile icon = image(4, 4, 32, 14);
    writeFile("Fire.tga", icon.bytes());
    writeFile("disfire.tga", Bytes{1, 2, 3});
    run();
    EXPECT_FALSE(fileExists("DISFire.tga"));
    EXPECT_EQ(readFile("disfire.tga"), savedForm(headerOf(icon), laidOver(icon.data, masks.disabled.data)));
}

TEST(Variants, VariantThatCannotBeWrittenIsReportedAndTheRestGoesOn) {
    if (!runningNativeTool()) GTEST_SKIP() << "name length limits differ under emulation";
    ScopedWorkDir dir;
    Masks masks = writeMasks(2);
    // "DIS" + this name is longer than a file name may be.
    std::string base(251, 'x');
    TgaFile icon = image(2, 2, 32, 15);
    writeFile(base + ".tga", icon.bytes());
    EXPECT_EQ(run(), std::string(kProcessingHeader) + "WARN:\tCan't write file \"DIS" + base + ".tga\"!\n" +
                         "WARN:\tCan't write file \"PAS" + base + ".tga\"!\n" +
                         "WARN:\tCan't write file \"" + base + "_Autocast.tga\"!\n" +
                         reportLine(base + ".tga", 2, 2) + summaryLine(1, 1));
    EXPECT_EQ(readFile(base + ".tga"), savedForm(headerOf(icon), laidOver(icon.data, masks.normal.data)));
    EXPECT_EQ(listDirectory().size(), 5u);
}

// A variant takes its icon's read and write permissions under the umask,
// and write for its owner: never an execute or set-id bit, nor a read-only
// file the next run could not replace. The icon keeps its own mode; the
// preview page, its masks open to everyone, gets what the variants get.
TEST(Variants, VariantsTakeTheIconsReadAndWriteBitsUnderTheUmask) {
    if (!runningNativeTool()) GTEST_SKIP() << "POSIX permissions";
    struct Case {
        mode_t icon;
        int umask;
        mode_t variant;
    };
    for (const Case& c : {Case{0777, 022, 0644}, Case{0644, 077, 0600}, Case{0444, 022, 0644},
                          Case{04755, 022, 0644}, Case{0640, 0, 0640}, Case{0664, 002, 0664},
                          Case{0666, 0, 0666}}) {
        ScopedWorkDir dir;
        writeMasks(2);
        for (const char* mask : {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga",
                                 "ZOF_AUTOCAST_MASK.tga"}) {
            ASSERT_EQ(chmod(mask, 0666), 0);
        }
        writeFile("Fire.tga", image(2, 2, 32, 16).bytes());
        ASSERT_EQ(chmod("Fire.tga", c.icon), 0);
        ToolSetup setup;
        setup.umask = c.umask;
        setup.arguments = {"--preview"};
        runTool(setup);
        for (const char* name :
             {"DISFire.tga", "PASFire.tga", "Fire_Autocast.tga", "Fire.tga", "button-disabler-preview.html"}) {
            struct stat info;
            ASSERT_EQ(stat(name, &info), 0) << name;
            const mode_t expected = std::string(name) == "Fire.tga" ? c.icon : c.variant;
            EXPECT_EQ(info.st_mode & 07777, expected) << name << " of an icon " << std::oct << c.icon;
        }
    }
}

// In a set-group-ID team folder, another user's run leaves the files in the
// folder's group: that group gets what others get, so the icon's owner (a
// member of it) is never locked out of her own icon.
TEST(Variants, FileLeftInAnotherGroupGivesThatGroupWhatOthersGet) {
    if (!runningNativeTool() || geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "needs root and setpriv to act as two users";
    }
    const unsigned kAlice = 61001, kBob = 61002, kTeam = 61003;
    ScopedWorkDir dir;
    writeMasks(2);
    writeFile("Fire.tga", image(2, 2, 32, 17).bytes());
    ASSERT_EQ(chown("Fire.tga", kAlice, kAlice), 0);
    ASSERT_EQ(chmod("Fire.tga", 0606), 0);  // strangers may read and write it
    ASSERT_EQ(chown(".", 0, kTeam), 0);
    ASSERT_EQ(chmod(".", 02777), 0);
    ToolSetup setup;
    setup.umask = 022;
    setup.runAs = {"setpriv", "--reuid=" + std::to_string(kBob), "--regid=" + std::to_string(kBob),
                   "--clear-groups"};
    EXPECT_EQ(runTool(setup).exitCode, 0);
    for (const auto& expected : {std::make_pair("Fire.tga", 0666u), std::make_pair("DISFire.tga", 0644u)}) {
        struct stat info;
        ASSERT_EQ(stat(expected.first, &info), 0);
        EXPECT_EQ(info.st_gid, kTeam) << expected.first;
        EXPECT_EQ(info.st_mode & 07777, expected.second) << expected.first;
    }
}

// Who owns the files a run makes, and who may read them: a file that
// cannot be in the group of the picture it shows gives that group what it
// gives others; the page is narrowed by its masks too; only the icon's own
// rewrite keeps what stands under its name (here hard links to a 4775
// icon); and a run as root leaves alice's folders alice's, unless a file
// shows a picture she may not read.
TEST(Variants, MadeFilesGetTheirOwnersGroupsAndModesByTheirKind) {
    if (!runningNativeTool() || geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "needs root and setpriv to act as two users";
    }
    const unsigned kAlice = 61001, kBob = 61002, kTeam = 61003;
    const std::string page = "/button-disabler-preview.html";
    struct Made {
        std::string path;
        unsigned owner, group, mode;
    };
    const struct {
        bool asAlice;
        std::vector<std::string> arguments;
        std::vector<Made> made;
    } cases[] = {
        {true, {"-o", "alice/out", "alice/art"}, {{"alice/out/Fire.tga", kAlice, kAlice, 0600},
                                                  {"alice/out" + page, kAlice, kAlice, 0600}}},
        {true, {"--masks", "alice/masks", "alice/open"}, {{"alice/open" + page, kAlice, kAlice, 0600},
                                                          {"alice/open/DISSun.tga", kAlice, kAlice, 0644},
                                                          {"alice/open/Sun.tga", kAlice, kAlice, 04775}}},
        {false, {"-o", "alice/out", "alice/open", "bob/x"}, {{"alice/out/Sun.tga", kAlice, kAlice, 0644},
                                                                  {"alice/out/Moon.tga", 0, kAlice, 0600},
                                                                  {"alice/out" + page, 0, kAlice, 0600}}},
        {false, {"alice/open"}, {{"alice/open" + page, kAlice, kAlice, 0644}}},
    };
    for (const auto& c : cases) {
        ScopedWorkDir dir;
        auto place = [](const std::string& path, unsigned owner, unsigned group, mode_t mode) {
            EXPECT_TRUE(chown(path.c_str(), owner, group) == 0 && chmod(path.c_str(), mode) == 0) << path;
        };
        place(".", 0, 0, 0755);
        for (std::string folder : {"alice", "alice/art", "alice/open", "alice/masks", "alice/out", "bob", "bob/x"}) {
            const unsigned owner = folder[0] == 'a' ? kAlice : kBob;
            ASSERT_TRUE(makeDirectory(folder));
            place(folder, owner, owner, 0755);
        }
        const std::tuple<const char*, unsigned, unsigned, mode_t> files[] = {
            {"alice/art/Fire.tga", kAlice, kTeam, 0640}, {"alice/open/Sun.tga", kAlice, kAlice, 04775},
            {"bob/x/Moon.tga", kBob, kBob, 0600}, {"alice/masks/ZOF_DISABLED_MASK.tga", kAlice, kAlice, 0600}};
        for (const auto& file : files) {
            writeFile(std::get<0>(file), image(2, 2, 32, 18).bytes());
            place(std::get<0>(file), std::get<1>(file), std::get<2>(file), std::get<3>(file));
        }
        ASSERT_EQ(link("alice/open/Sun.tga", "alice/open/DISSun.tga"), 0);
        ASSERT_EQ(link("alice/open/Sun.tga", "alice/out/Sun.tga"), 0);  // as cp -al leaves
        ToolSetup setup;
        setup.umask = 022;
        setup.arguments = {"--no-wait", "--preview"};
        setup.arguments.insert(setup.arguments.end(), c.arguments.begin(), c.arguments.end());
        if (c.asAlice) setup.runAs = {"setpriv", "--reuid=61001", "--regid=61001", "--clear-groups"};
        // (A folder without masks warns that it has none: exit status 1.)
        const bool masked = c.arguments[0] == "--masks";
        EXPECT_EQ(runTool(setup).exitCode, masked ? 0 : 1);
        for (const Made& made : c.made) {
            struct stat info;
            ASSERT_EQ(stat(made.path.c_str(), &info), 0) << made.path;
            EXPECT_EQ(std::make_tuple(info.st_uid, info.st_gid, info.st_mode & 07777),
                      std::make_tuple(made.owner, made.group, made.mode))
                << made.path << " is " << std::oct << (info.st_mode & 07777);
        }
    }
}
