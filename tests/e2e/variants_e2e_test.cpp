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

// Who may open what a run makes, as users meet it: nobody may read a made
// file who may not read every picture it shows (an icon's own rewrite keeps
// what it had); the owner of a folder can read and replace what the run
// made there, and rerun the command without sudo; the rest as cp and
// sed -i do it. Alice and Carol share the group "team", Bob is a stranger.
TEST(Variants, MadeFilesKeepPrivatePicturesPrivateAndLockNobodyOut) {
    if (!runningNativeTool() || geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0) {
        GTEST_SKIP() << "needs root and setpriv to act as other users";
    }
    struct User {
        const char* name;
        unsigned id;
        std::vector<unsigned> groups;
    };
    const unsigned kTeam = 61003;
    const User alice{"alice", 61001, {61001, kTeam}}, bob{"bob", 61002, {61002}}, carol{"carol", 61004, {61004, kTeam}};
    const auto as = [](const User& user) {
        std::string groups;
        for (unsigned group : user.groups) groups += (groups.empty() ? "" : ",") + std::to_string(group);
        return std::vector<std::string>{"setpriv", "--reuid=" + std::to_string(user.id),
                                        "--regid=" + std::to_string(user.groups[0]), "--groups=" + groups};
    };
    // Who of the three may read `path`, by its owner, group and mode.
    const auto readers = [&](const std::string& path) {
        struct stat info;
        if (stat(path.c_str(), &info) != 0) return std::string("(missing)");
        std::string names;
        for (const User* user : {&alice, &bob, &carol}) {
            const bool inGroup = std::count(user->groups.begin(), user->groups.end(), info.st_gid) != 0;
            const mode_t bit = info.st_uid == user->id ? S_IRUSR : inGroup ? S_IRGRP : S_IROTH;
            if ((info.st_mode & bit) != 0) names += std::string(names.empty() ? "" : " ") + user->name;
        }
        return names;
    };
    struct Situation {
        const char* what;
        const User* runner;  // null: root (sudo)
        const User* owner;   // whose folder it is, who reruns the command (null: no rerun)
        int umask;
        std::vector<std::string> arguments;
        std::vector<std::pair<std::string, std::string>> made;  // a file and who may read it
    };
    const std::string page = "/button-disabler-preview.html";
    const std::vector<Situation> situations = {
        {"a user in place", &alice, &alice, 022, {"a/open"},
         {{"a/open/DISSun.tga", "alice bob carol"}, {"a/open/Sun.tga", "alice bob carol"},
          {"a/open" + page, "alice bob carol"}}},
        {"private icons", &alice, &alice, 022, {"a/private"},
         {{"a/private/DISMoon.tga", "alice"}, {"a/private/Moon.tga", "alice carol"}, {"a/private" + page, "alice"}}},
        {"sudo in place on a user's private icons", nullptr, &alice, 022, {"a/private"},
         {{"a/private/DISMoon.tga", "alice carol"}, {"a/private/Moon.tga", "alice carol"}}},
        {"private masks through --masks", &alice, &alice, 022, {"--masks", "a/masks", "-o", "a/out", "a/open"},
         {{"a/out/DISSun.tga", "alice"}, {"a/out/Sun.tga", "alice"}, {"a/out" + page, "alice"}}},
        {"a set-group-ID team folder under umask 002", &alice, &carol, 002, {"team"},
         {{"team/DISStar.tga", "alice carol"}, {"team/Star.tga", "alice carol"}}},
        {"sudo with -o into a missing folder of a user's", nullptr, &alice, 022, {"-o", "a/new/out", "a/open"},
         {{"a/new/out/DISSun.tga", "alice bob carol"}, {"a/new/out" + page, "alice bob carol"}}},
        {"root in a user's folder holding another's private icon", nullptr, &alice, 022, {"a/shared"},
         {{"a/shared/DISSun.tga", "alice bob carol"}, {"a/shared/DISMoon.tga", ""},
          {"a/shared/Moon.tga", "bob"}, {"a/shared" + page, ""}}},
        {"root with -o inside a read-only folder", nullptr, nullptr, 022, {"-o", "a/locked/out", "a/open"},
         {{"a/locked/out", "(missing)"}}},
        {"Bob's folder: a link to a picture he may not reach, his file under a variant's name", &alice, nullptr,
         022, {"b"}, {{"b/DISPeek.tga", "(missing)"}, {"b/DISRain.tga", "bob"}, {"b/DISSky.tga", "(missing)"}}},
    };
    for (const Situation& situation : situations) {
        SCOPED_TRACE(situation.what);
        ScopedWorkDir dir;
        const auto place = [](const std::string& path, const User& owner, unsigned group, mode_t mode) {
            EXPECT_TRUE(chown(path.c_str(), owner.id, group) == 0 && chmod(path.c_str(), mode) == 0) << path;
        };
        ASSERT_EQ(chmod(".", 0755), 0);
        for (const char* folder : {"a", "a/open", "a/private", "a/masks", "a/shared", "a/locked", "team", "b"}) {
            ASSERT_TRUE(makeDirectory(folder));
            place(folder, folder[0] == 'b' ? bob : alice, alice.id, folder[0] == 'b' ? 0777 : 0755);
        }
        place("a/masks", alice, alice.id, 0700);
        place("a/private", alice, kTeam, 0755);
        place("a/locked", alice, alice.id, 0555);
        place("team", carol, kTeam, 02775);
        for (const char* folder : {"a/open/", "a/private/", "a/masks/", "a/shared/", "team/", "b/"}) {
            writeMasks(2);
            for (const char* mask : {"ZOF_NORMAL_MASK.tga", "ZOF_DISABLED_MASK.tga", "ZOF_PASSIVE_MASK.tga",
                                     "ZOF_AUTOCAST_MASK.tga"}) {
                ASSERT_EQ(std::rename(mask, (folder + std::string(mask)).c_str()), 0);
                place(folder + std::string(mask), alice, alice.id, std::string(folder) == "a/masks/" ? 0600 : 0644);
            }
        }
        const std::tuple<const char*, const User*, unsigned, mode_t> icons[] = {
            {"a/open/Sun.tga", &alice, alice.id, 0644}, {"a/private/Moon.tga", &alice, kTeam, 0640},
            {"a/shared/Sun.tga", &alice, alice.id, 0644}, {"a/shared/Moon.tga", &bob, bob.id, 0600},
            {"team/Star.tga", &carol, kTeam, 0660}, {"a/masks/Sky.tga", &alice, alice.id, 0644},
            {"b/Rain.tga", &alice, alice.id, 0644}, {"b/DISRain.tga", &bob, bob.id, 0640}};
        for (const auto& icon : icons) {
            writeFile(std::get<0>(icon), image(2, 2, 32, 19).bytes());
            place(std::get<0>(icon), *std::get<1>(icon), std::get<2>(icon), std::get<3>(icon));
        }
        ASSERT_EQ(symlink("../a/masks/Sky.tga", "b/Peek.tga"), 0);
        ASSERT_EQ(lchown("b/Peek.tga", bob.id, bob.id), 0);
        ToolSetup setup;
        setup.umask = situation.umask;
        setup.arguments = {"--no-wait", "--preview"};
        setup.arguments.insert(setup.arguments.end(), situation.arguments.begin(), situation.arguments.end());
        if (situation.runner != nullptr) setup.runAs = as(*situation.runner);
        runTool(setup);
        for (const auto& made : situation.made) EXPECT_EQ(readers(made.first), made.second) << made.first;
        // The folder's owner reruns the same command, without sudo: every
        // file and folder the first run made is theirs to replace (Bob's
        // private icon aside, which Alice may not open).
        if (situation.owner == nullptr) continue;
        setup.runAs = as(*situation.owner);
        const std::string again = runTool(setup).output;
        EXPECT_EQ(again.find("Can't write"), std::string::npos) << again;
    }
}
