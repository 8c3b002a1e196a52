// Replays every input in fuzz/regressions/ through the same checks the fuzz
// targets make, so that whatever once broke the tool stays fixed in every
// build, the sanitizer build included.
#include <gtest/gtest.h>
#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "checks.h"
#include "support/temp_dir.h"

using namespace test_support;

namespace {

using Check = std::string (*)(const std::uint8_t*, std::size_t);

std::vector<std::string> filesIn(const std::string& directory) {
    std::vector<std::string> paths;
    if (DIR* dir = opendir(directory.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name[0] != '.') paths.push_back(directory + "/" + name);
        }
        closedir(dir);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

void replay(const std::vector<std::string>& paths, Check check) {
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        Bytes input = readFile(path);
        ScopedWorkDir dir;  // the checks work in an empty current directory
        EXPECT_EQ(check(input.data(), input.size()), "");
        EXPECT_TRUE(listDirectory().empty()) << "the check left files behind";
    }
}

void replayRegressions(const char* target, Check check) {
    std::vector<std::string> paths = filesIn(sourceRoot() + "/fuzz/regressions/" + target);
    ASSERT_FALSE(paths.empty()) << "no regression inputs for " << target;
    replay(paths, check);
}

}  // namespace

TEST(FuzzRegressions, ReaderInputs) {
    replayRegressions("reader", fuzz_checks::checkReader);
}

TEST(FuzzRegressions, PngInputs) {
    replayRegressions("png", fuzz_checks::checkPng);
}

TEST(FuzzRegressions, BlendInputs) {
    replayRegressions("blend", fuzz_checks::checkBlend);
}

TEST(FuzzRegressions, BatchInputs) {
    replayRegressions("batch", fuzz_checks::checkBatch);
}

// The reader's round trip holds for the bundled samples, which seed the
// fuzzer: a check that rejected them would make every fuzz run fail at once.
TEST(FuzzRegressions, ReaderChecksHoldForTheSampleIcons) {
    std::vector<std::string> paths = filesIn(sourceRoot() + "/examples/icons");
    ASSERT_FALSE(paths.empty());
    replay(paths, fuzz_checks::checkReader);
}
