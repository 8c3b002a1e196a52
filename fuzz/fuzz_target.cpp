#include "fuzz_target.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace fuzz_target {
namespace {

std::string scratch;

void removeScratch() {
    if (scratch.empty()) return;
    if (chdir("/") != 0) return;
    std::string command = "rm -rf '" + scratch + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", scratch.c_str());
}

void makePathsAbsolute(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' || argv[i][0] == '/') continue;  // a flag, or absolute already
        char resolved[PATH_MAX];
        // Kept for the whole run, as libFuzzer keeps using argv.
        if (realpath(argv[i], resolved) != nullptr) argv[i] = strdup(resolved);
    }
}

}  // namespace

void enterScratchDirectory(int* argc, char*** argv) {
    makePathsAbsolute(*argc, *argv);
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/bd-fuzz-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr || chdir(buffer.data()) != 0) {
        std::perror("scratch directory");
        std::abort();
    }
    scratch = buffer.data();
    std::atexit(removeScratch);
}

void require(const std::string& failure) {
    if (failure.empty()) return;
    std::fprintf(stderr, "PROPERTY FAILED: %s\n", failure.c_str());
    std::abort();
}

}  // namespace fuzz_target
