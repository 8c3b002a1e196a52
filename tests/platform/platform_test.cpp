// The platform layer: name comparison, listing, name resolution, reading
// only regular files, and replacing files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <utility>

#include "platform/platform.h"
#include "platform/replacement_checks.h"
#include "support/temp_dir.h"

using namespace test_support;

TEST(Platform, ComparisonFoldsAsciiLettersOnly) {
    EXPECT_EQ(platform::compareIgnoreCase("Fire.TGA", "fire.tga"), 0);
    EXPECT_NE(platform::compareIgnoreCase("\xC4", "\xE4"), 0);  // Latin-1 letters stay apart
    EXPECT_LT(platform::compareIgnoreCase("abc", "abcd"), 0);
    EXPECT_EQ(platform::compareIgnoreCaseN("DISCO", "dis", 3), 0);
    EXPECT_NE(platform::compareIgnoreCaseN("DI", "dis", 3), 0);
}

TEST(Platform, ListsEveryEntryEndingInTgaInAnyCase) {
    ScopedWorkDir dir;
    for (const char* name : {"a.tga", "B.TGA", ".tga", "c.tgax", "d.tg", "e.png"}) writeFile(name, {1});
    mkdir("folder.Tga", 0755);
    std::vector<std::string> names;
    ASSERT_TRUE(platform::listTgaEntries(names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".tga", "B.TGA", "a.tga", "folder.Tga"}));
}

TEST(Platform, ResolvesNamesAsACaseIgnoringFileSystemWould) {
    ScopedWorkDir dir;
    writeFile("Fire.TGA", {1});
    EXPECT_EQ(platform::resolveName("fire.tga"), "Fire.TGA");
    EXPECT_EQ(platform::resolveName("new.tga"), "new.tga");
    writeFile("fire.tga", {2});  // the exact spelling wins once it exists
    platform::forgetDirectory();  // it was made behind the tool's back
    EXPECT_EQ(platform::resolveName("fire.tga"), "fire.tga");
    EXPECT_EQ(platform::resolveName("FIRE.tga"), "Fire.TGA");  // smallest in byte order
}

TEST(Platform, ReadsOnlyRegularFiles) {
    ScopedWorkDir dir;
    writeFile("plain.tga", {1, 2, 3, 4, 5});
    mkdir("folder.tga", 0755);
    ASSERT_EQ(mkfifo("pipe.tga", 0644), 0);
    platform::InputFile file;
    ASSERT_TRUE(file.open("PLAIN.tga"));
    EXPECT_EQ(file.size(), 5u);
    std::uint8_t first[2], second[8];
    EXPECT_EQ(file.read(first, sizeof first, second, sizeof second), 5u);
    EXPECT_EQ(Bytes(second, second + 3), (Bytes{3, 4, 5}));
    for (const char* name : {"folder.tga", "pipe.tga" /* and does not hang on it */, "missing.tga"}) {
        platform::InputFile refused;
        EXPECT_FALSE(refused.open(name)) << name;
    }
}

TEST(Platform, ReplacementIsAllOrNothing) {
    ScopedWorkDir dir;
    writeFile("icon.tga", {1, 2, 3});
    chmod("icon.tga", 0640);
    expectReplacementIsAllOrNothing();
    struct stat info;
    ASSERT_EQ(stat("icon.tga", &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // permissions kept
}

TEST(Platform, SymbolicLinkIsReplacedNotWrittenThrough) {
    ScopedWorkDir dir;
    mkdir("elsewhere", 0755);
    writeFile("elsewhere/notes.txt", {1});
    ASSERT_EQ(symlink("elsewhere/notes.txt", "DISFire.tga"), 0);
    platform::ReplacementFile out;
    ASSERT_TRUE(out.open("disfire.tga"));
    ASSERT_TRUE(out.write("new", 3));
    ASSERT_TRUE(out.commit());
    struct stat info;
    ASSERT_EQ(lstat("DISFire.tga", &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(readFile("DISFire.tga"), (Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(readFile("elsewhere/notes.txt"), (Bytes{1}));  // what the link pointed to is safe
}

TEST(Platform, InterruptedReplacementLeavesNoTemporaryFile) {
    ScopedWorkDir dir;
    writeFile("icon.tga", {1, 2, 3});
    pid_t child = fork();
    if (child == 0) {
        platform::ReplacementFile out;
        if (!out.open("icon.tga") || !out.write("half", 4)) _exit(2);
        raise(SIGINT);  // Ctrl+C in the middle of writing
        _exit(3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_EQ(listDirectory(), (std::vector<std::string>{"icon.tga"}));
    EXPECT_EQ(readFile("icon.tga"), (Bytes{1, 2, 3}));
}

// A file being written lets in nobody its finished form keeps out: a
// variant is made with its final permissions, the page is its maker's
// alone until it is complete, and an icon's rewrite keeps what the file it
// replaces has, set-id bits too, but only where that is the very file
// read. A file made from an icon takes write bits for the group only where
// the icon gives them, as before; the page as the umask gives them.
TEST(Platform, TemporaryLetsInNobodyTheFinishedFileKeepsOut) {
    ScopedWorkDir dir;
    writeFile("icon.tga", {1});
    ASSERT_EQ(chmod("icon.tga", 02640), 0);
    writeFile("swapped.tga", {2});
    ASSERT_EQ(chmod("swapped.tga", 0666), 0);
    platform::InputFile icon;
    ASSERT_TRUE(icon.open("icon.tga"));
    const mode_t mask = umask(002);
    const struct {
        const char* name;
        platform::MadeFrom from;
        mode_t mode;
    } files[] = {{"icon.tga", {platform::Made::Rewrite, {icon.readers()}}, 02640},
                 {"swapped.tga", {platform::Made::Rewrite, {icon.readers()}}, 0640},
                 {"DISicon.tga", {platform::Made::Shows, {icon.readers()}}, 0640},
                 {"page.html", {platform::Made::ShowsLater, {}}, 0660},
                 {"open.html", {platform::Made::ShowsLater, {}}, 0664}};
    for (const auto& file : files) {
        platform::ReplacementFile out;
        ASSERT_TRUE(out.open(file.name, file.from) && out.write("new", 3)) << file.name;
        if (std::string(file.name) == "page.html") out.alsoShows(icon.readers());
        for (const std::string& entry : listDirectory()) {
            struct stat info;
            if (entry.rfind("button-disabler-", 0) != 0 || stat(entry.c_str(), &info) != 0) continue;
            EXPECT_EQ(info.st_mode & 07777 & ~file.mode, 0u) << file.name;
        }
        ASSERT_TRUE(out.commit()) << file.name;
        struct stat info;
        ASSERT_EQ(stat(file.name, &info), 0);
        EXPECT_EQ(info.st_mode & 07777, file.mode) << file.name;
    }
    umask(mask);
}

TEST(Platform, ReadOnlyFileIsNotReplaced) {
    // Refused by its own permission bits, for root as for anyone.
    ScopedWorkDir dir;
    writeFile("locked.tga", {1});
    chmod("locked.tga", 0444);
    platform::ReplacementFile out;
    EXPECT_FALSE(out.open("locked.tga"));
    EXPECT_EQ(readFile("locked.tga"), (Bytes{1}));
    EXPECT_EQ(listDirectory().size(), 1u);
    // Writable by its group, not its owner: root (whom the system lets
    // write it) may replace it, its owner may not.
    writeFile("shared.tga", {1});
    chmod("shared.tga", 0464);
    platform::forgetDirectory();
    EXPECT_EQ(platform::ReplacementFile().open("shared.tga"), geteuid() == 0);
}
