// Paths from the command line: folders told from files, a path split into
// folder and name, and folders opened and made from the starting directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/folders.h"
#include "platform/names.h"
#include "support/temp_dir.h"

using namespace test_support;
using platform::PathKind;

namespace {

std::pair<std::string, std::string> split(const std::string& path) {
    platform::SplitPath parts = platform::splitPath(path);
    return {parts.folder, parts.name};
}

std::string currentDirectory() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

}  // namespace

TEST(Folders, SplitsAPathAndTellsWhatItNames) {
    using Parts = std::pair<std::string, std::string>;
    EXPECT_EQ(split("My Icons/Fire.tga"), Parts("My Icons/", "Fire.tga"));
    EXPECT_EQ(split("/Fire.tga"), Parts("/", "Fire.tga"));
    EXPECT_EQ(split("Fire.tga"), Parts("", "Fire.tga"));
    EXPECT_EQ(split("a\\b.tga"), Parts("", "a\\b.tga"));  // a name like any other here

    ScopedWorkDir dir;
    mkdir("My Icons", 0755);
    writeFile("My Icons/Fire.tga", {1});
    EXPECT_EQ(platform::pathKind("My Icons"), PathKind::Folder);
    EXPECT_EQ(platform::pathKind("My Icons/"), PathKind::Folder);
    EXPECT_EQ(platform::pathKind("My Icons/Fire.tga"), PathKind::File);
    EXPECT_EQ(platform::pathKind("My Icons/Fire.tga/"), PathKind::Missing);
    EXPECT_EQ(platform::pathKind("gone/Fire.tga"), PathKind::Missing);
}

TEST(Folders, RelativePathsAreOpenedFromTheStartingDirectoryAndMadeWithTheirParents) {
    // The current directory never changes: a path is always taken from it.
    ScopedWorkDir dir;
    const std::string start = currentDirectory();
    ASSERT_TRUE(platform::makeFolder("one/two/"));
    ASSERT_TRUE(platform::makeFolder("three"));
    ASSERT_TRUE(platform::makeFolder("three"));  // already there
    writeFile("one/two/a.tga", {1});
    writeFile("three/b.tga", {1});
    writeFile("c.tga", {1});
    auto listing = [](const std::string& path) {
        platform::Folder folder;
        std::vector<std::string> names;
        if (!folder.open(path) || !platform::listTgaEntries(folder, names)) return std::string("-");
        return names.size() == 1 ? names[0] : std::string("?");
    };
    EXPECT_EQ(listing("one/two/"), "a.tga");
    EXPECT_EQ(listing("three"), "b.tga");  // not one/two/three
    EXPECT_EQ(listing("missing"), "-");
    EXPECT_EQ(listing(start + "/one/two"), "a.tga");
    EXPECT_EQ(listing(""), "c.tga");
    EXPECT_EQ(currentDirectory(), start);
    EXPECT_FALSE(platform::makeFolder("c.tga/sub"));
}
