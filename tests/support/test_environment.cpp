#include "support/test_environment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    struct stat info;
    if (stat(corpusRoot().c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return "";
    return "no TGA corpus at " + corpusRoot() + " (set BD_TGA_CORPUS to its folder)";
}

bool runningInCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

bool permissionBitsApply() {
    // Asked of the system itself: make a read-only file and try to write it.
    const char* base = std::getenv("TMPDIR");
    std::string probe = std::string(base != nullptr ? base : "/tmp") + "/bd-permission-probe-" +
                        std::to_string(static_cast<long>(getpid()));
    int created = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0444);
    if (created < 0) return false;
    close(created);
    int reopened = open(probe.c_str(), O_WRONLY);
    if (reopened >= 0) close(reopened);
    unlink(probe.c_str());
    return reopened < 0;
}

}  // namespace test_support
