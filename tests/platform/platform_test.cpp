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

TEST(Platform, LinkIsReadOnlyWhereItsMakerMayReadWhatItReaches) {
    ScopedWorkDir dir;
    writeFile("picture.tga", {1});
    ASSERT_EQ(symlink("picture.tga", "mine.tga"), 0);
    ASSERT_EQ(symlink("picture.tga", "planted.tga"), 0);
    platform::InputFile own;
    EXPECT_TRUE(own.open("mine.tga"));
    const uid_t kPlanter = 65534;  // nobody
    if (lchown("planted.tga", kPlanter, kPlanter) != 0) GTEST_SKIP() << "only root can give a link away";
    platform::InputFile planted;
    EXPECT_FALSE(planted.open("planted.tga"));  // the picture is root's, the link nobody's
    ASSERT_EQ(chown("picture.tga", kPlanter, kPlanter), 0);
    platform::InputFile theirs;
    EXPECT_TRUE(theirs.open("planted.tga"));  // a link to its maker's own file
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

namespace {

platform::FileLikeness likenessOf(const char* name) {
    platform::InputFile file;
    EXPECT_TRUE(file.open(name)) << name;
    return file.likeness();
}

// Writes `name` made like `like`; the temporary file, while it is written,
// must be readable by no one but its maker, whatever the finished file gives.
void replaceLike(const char* name, const platform::FileLikeness& like) {
    platform::ReplacementFile out;
    ASSERT_TRUE(out.open(name, like)) << name;
    ASSERT_TRUE(out.write("new", 3));
    for (const std::string& entry : listDirectory()) {
        struct stat info;
        if (entry.rfind("button-disabler-", 0) != 0 || stat(entry.c_str(), &info) != 0) continue;
        EXPECT_EQ(info.st_mode & 077, 0u) << name;
    }
    ASSERT_TRUE(out.commit()) << name;
}

}  // namespace

TEST(Platform, EveryTemporaryIsItsMakersAloneUntilItIsSwappedIn) {
    ScopedWorkDir dir;
    writeFile("open.tga", {1});
    ASSERT_EQ(chmod("open.tga", 0666), 0);
    const platform::FileLikeness open = likenessOf("open.tga");
    const mode_t mask = umask(0);
    umask(mask);
    const std::pair<const char*, platform::FileLikeness> made[] = {
        {"open.tga", open}, {"DISopen.tga", open.forOtherFiles()}, {"copy.tga", open.forFilesElsewhere()},
        {"page.html", platform::FileLikeness::ofNothing()}, {"plain.tga", platform::FileLikeness()}};
    for (const auto& file : made) {
        replaceLike(file.first, file.second);
        struct stat info;
        ASSERT_EQ(stat(file.first, &info), 0);
        EXPECT_EQ(info.st_mode & 07777, &file == made ? 0666u : (0666u & ~mask) | 0200u)
            << file.first;
    }
}

TEST(Platform, ReplacementKeepsTheOwnerAndNewFilesTakeTheirIconsOwnerAndPermissions) {
    ScopedWorkDir dir;
    writeFile("theirs.tga", {1});
    chmod("theirs.tga", 0640);  // a private icon gets private variants
    const uid_t kSomeoneElse = 65534;  // nobody
    const bool givenAway = chown("theirs.tga", kSomeoneElse, kSomeoneElse) == 0;  // root only
    // A file, link or pipe in a variant's place says nothing of the new
    // file; an icon that is a link becomes a file made like the one it
    // pointed to.
    writeFile("DIStheirs.tga", {9});
    ASSERT_EQ(chmod("DIStheirs.tga", 0666), 0);
    ASSERT_EQ(symlink("gone.tga", "PAStheirs.tga"), 0);
    ASSERT_EQ(mkfifo("theirs_Autocast.tga", 0666), 0);
    ASSERT_EQ(symlink("theirs.tga", "link.tga"), 0);
    const platform::FileLikeness icon = likenessOf("theirs.tga");
    const std::pair<const char*, platform::FileLikeness> outputs[] = {{"DIStheirs.tga", icon},
                                                                      {"PAStheirs.tga", icon},
                                                                      {"theirs_Autocast.tga", icon},
                                                                      {"link.tga", likenessOf("link.tga")},
                                                                      {"theirs.tga", icon}};
    for (const auto& output : outputs) {
        replaceLike(output.first, output.second);
        struct stat info;
        ASSERT_EQ(lstat(output.first, &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode)) << output.first;
        EXPECT_EQ(info.st_mode & 07777, 0640u) << output.first;
        if (!givenAway) continue;
        EXPECT_EQ(info.st_uid, kSomeoneElse) << output.first;
        EXPECT_EQ(info.st_gid, kSomeoneElse) << output.first;
    }
    // The very file read keeps what it has now: narrowed since, it stays so.
    const platform::FileLikeness read = likenessOf("theirs.tga");
    ASSERT_EQ(chmod("theirs.tga", 0600), 0);
    replaceLike("theirs.tga", read);
    struct stat narrowed;
    ASSERT_EQ(stat("theirs.tga", &narrowed), 0);
    EXPECT_EQ(narrowed.st_mode & 07777, 0600u);
    // In a folder that gives new files its group, the icon's group is kept.
    if (givenAway && chown(".", static_cast<uid_t>(-1), kSomeoneElse) == 0 && chmod(".", 02775) == 0) {
        platform::forgetDirectory();
        writeFile("grouped.tga", {1});
        ASSERT_EQ(chown("grouped.tga", 0, 0), 0);
        ASSERT_EQ(chmod("grouped.tga", 0640), 0);
        const platform::FileLikeness grouped = likenessOf("grouped.tga");
        for (const char* name : {"grouped.tga", "DISgrouped.tga"}) {
            replaceLike(name, grouped);
            struct stat info;
            ASSERT_EQ(stat(name, &info), 0);
            EXPECT_EQ(info.st_gid, 0u) << name;
        }
    }
    // Set-id bits stay with the file that has them.
    writeFile("setid.tga", {1});
    ASSERT_EQ(chmod("setid.tga", 02640), 0);
    const platform::FileLikeness setId = likenessOf("setid.tga");
    replaceLike("DISsetid.tga", setId.forOtherFiles());
    replaceLike("setid.tga", setId);
    struct stat info;
    ASSERT_EQ(stat("DISsetid.tga", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    ASSERT_EQ(stat("setid.tga", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 02640u);
    if (!givenAway) GTEST_SKIP() << "only root can give a file away";
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
