// The command line and its folders on POSIX systems: arguments are bytes,
// '/' is the one separator.
#include "platform/folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {
namespace {

// A handle on the starting directory rather than its name: it stays valid
// when the directory is renamed, and needs no search permission above it.
#ifdef O_PATH
const int kDirectoryHandleFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
const int kDirectoryHandleFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

int startingDirectory() {
    static const int handle = open(".", kDirectoryHandleFlags);
    return handle;
}

}  // namespace

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return arguments;
}

std::vector<std::string> pathsMatching(const std::string& path) {
    return {path};
}

PathKind pathKind(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        // A file named as if it were a folder ("icon.tga/") holds nothing.
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Inaccessible;
    }
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

std::string identityOf(const std::string& path) {
    struct stat info;
    if (stat(path.empty() ? "." : path.c_str(), &info) != 0) return std::string();
    return std::to_string(static_cast<unsigned long long>(info.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(info.st_ino));
}

SplitPath splitPath(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool enterFolder(const std::string& folder) {
    int start = startingDirectory();
    bool atStart = start >= 0 && fchdir(start) == 0;
    if (folder.empty()) return atStart;
    // An absolute path needs no starting point.
    if (!atStart && folder[0] != '/') return false;
    return chdir(folder.c_str()) == 0;
}

}  // namespace platform
