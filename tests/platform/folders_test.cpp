// Paths from the command line: folders told from files, a path split into
// folder and name, and folders entered from the starting directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/folders.h"
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

TEST(Folders, RelativePathsAreEnteredFromTheStartingDirectory) {
    // The starting directory is the one current at the process's first call.
    ScopedWorkDir dir;
    const std::string start = currentDirectory();
    mkdir("one", 0755);
    mkdir("one/two", 0755);
    mkdir("three", 0755);
    ASSERT_TRUE(platform::enterFolder("one/two/"));
    EXPECT_EQ(currentDirectory(), start + "/one/two");
    ASSERT_TRUE(platform::enterFolder("three"));  // not one/two/three
    EXPECT_EQ(currentDirectory(), start + "/three");
    EXPECT_FALSE(platform::enterFolder("missing"));
    EXPECT_EQ(currentDirectory(), start);
    ASSERT_TRUE(platform::enterFolder(start + "/one"));
    ASSERT_TRUE(platform::enterFolder(""));
    EXPECT_EQ(currentDirectory(), start);
}
