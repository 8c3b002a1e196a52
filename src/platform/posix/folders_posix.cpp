// The command line and its folders on POSIX systems: arguments are bytes,
// '/' is the one separator.
#include "platform/folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/folder.h"
#include "platform/posix/directory_index.h"

namespace platform {
namespace {

// A handle on a folder rather than its name: it stays the folder opened
// when a folder on the way is renamed meanwhile.
#ifdef O_PATH
const int kDirectoryHandleFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
const int kDirectoryHandleFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

}  // namespace

Folder::Folder() : state_(new State) {}

Folder::~Folder() {
    if (state_->descriptor != AT_FDCWD) ::close(state_->descriptor);
}

bool Folder::open(const std::string& path) {
    int descriptor = ::open(path.empty() ? "." : path.c_str(), kDirectoryHandleFlags);
    if (descriptor < 0) return false;
    // A folder that cannot be searched is one the tool cannot enter: none
    // of its files could be opened.
    if (faccessat(descriptor, ".", X_OK, 0) != 0) {
        ::close(descriptor);
        return false;
    }
    if (state_->descriptor != AT_FDCWD) ::close(state_->descriptor);
    state_->descriptor = descriptor;
    state_->index.forget();
    return true;
}

void Folder::forget() {
    state_->index.forget();
}

Folder& currentFolder() {
    static Folder current;
    return current;
}

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

std::string trimmedPath(const std::string& path) {
    std::string::size_type end = path.find_last_not_of('/');
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

std::string pathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

bool makeFolder(const std::string& path) {
    if (pathKind(path) == PathKind::Folder) return true;
    // Each folder on the way that is missing, then the folder itself, as
    // mkdir -p makes them; but never in a folder without any write bit,
    // which is read-only for root too. Under root each belongs to the owner
    // and group of the nearest folder above that was there, so that a run
    // with sudo leaves a user's folder theirs. Each step starts from the
    // folder opened before it, and a folder made is given away only as it
    // was made, never through a link put in its place.
    int at = ::open(path[0] == '/' ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat above;
    bool made = at >= 0 && fstat(at, &above) == 0;
    for (std::string::size_type start = 0; made && start < path.size();) {
        std::string::size_type end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        int next = openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (next >= 0) {
            made = fstat(next, &above) == 0;
        } else {
            struct stat info;
            made = errno == ENOENT && (above.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
                   mkdirat(at, name.c_str(), 0777) == 0 &&
                   (next = openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) >= 0 &&
                   fstat(next, &info) == 0 && info.st_uid == geteuid() &&
                   (geteuid() != 0 || fchown(next, above.st_uid, above.st_gid) == 0);
        }
        ::close(at);
        at = next;
    }
    if (at >= 0) ::close(at);
    return made && pathKind(path) == PathKind::Folder;
}

std::string programFolder() {
    // Linux names the program's file, links resolved, in /proc; a name too
    // long for the buffer is no name at all.
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) return std::string();
    return splitPath(std::string(path, static_cast<std::size_t>(length))).folder;
}

std::string installPrefixOf(const std::string& programFolder) {
    return splitPath(trimmedPath(programFolder)).folder;
}

bool onlyRootAndYouMayChange(Folder& folder, const std::string& top) {
    // The folder opened and the folders it really lies in, climbed through
    // "..": what is checked is what is read, whatever links or renames.
    struct stat end;
    if (stat(top.c_str(), &end) != 0) return false;
    int current = posix::descriptorOf(folder);
    for (int depth = 0; depth < 64; ++depth) {
        struct stat info;
        const bool trusted = fstat(current, &info) == 0 && (info.st_uid == 0 || info.st_uid == geteuid()) &&
                             (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
        const int above = trusted ? openat(current, "..", kDirectoryHandleFlags) : -1;
        if (current != posix::descriptorOf(folder)) ::close(current);
        if (above < 0) return false;
        struct stat parent;
        if (fstat(above, &parent) != 0 || (parent.st_dev == info.st_dev && parent.st_ino == info.st_ino)) {
            ::close(above);
            return false;  // the root, and `top` never met
        }
        if (parent.st_dev == end.st_dev && parent.st_ino == end.st_ino) {
            ::close(above);
            return true;
        }
        current = above;
    }
    if (current != posix::descriptorOf(folder)) ::close(current);
    return false;
}

}  // namespace platform
