#include "support/test_environment.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "support/temp_dir.h"

namespace test_support {

std::string corpusRoot() {
    // Made absolute once, before any test changes the working directory.
    static const std::string root = [] {
        const char* custom = std::getenv("BD_TGA_CORPUS");
        if (custom == nullptr || *custom == '\0') return sourceRoot() + "/../shared/testdata/tga-corpus";
        return std::filesystem::absolute(custom).lexically_normal().string();
    }();
    return root;
}

std::string corpusMissingReason() {
    std::error_code error;
    if (std::filesystem::is_directory(std::filesystem::u8path(corpusRoot()), error)) return "";
    return "no TGA corpus at " + corpusRoot() + " (set BD_TGA_CORPUS to its folder)";
}

bool runningInCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

}  // namespace test_support
