// Reading and replacing files on POSIX systems, in as few system calls as
// the promises allow: a file is read with open, fstat, one read and close;
// a replacement is open, one write, a permission change where the new
// version is to be readable by more than its maker, close and rename, plus
// an lstat when the file already exists.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file_faults.h"
#include "platform/files.h"
#include "platform/names.h"
#include "platform/posix/directory_index.h"
#include "platform/posix/signals.h"
#include "platform/replacement_steps.h"

namespace platform {
namespace {

int descriptorOf(FileHandle handle) {
    return static_cast<int>(handle);
}

// What stays the same for the whole run, asked of the system once.
struct ProcessFacts {
    uid_t user = geteuid();
    gid_t group = getegid();
    mode_t umask = currentUmask();
    // Temporary names carry the process id: two runs in one folder never
    // take each other's.
    std::string temporaryPrefix = "button-disabler-" + std::to_string(static_cast<long>(getpid())) + "-";

    static mode_t currentUmask() {
        mode_t mask = ::umask(0);
        ::umask(mask);
        return mask;
    }
};

const ProcessFacts& processFacts() {
    static const ProcessFacts facts;
    return facts;
}

// Reads or writes through up to two buffers until all bytes are moved, the
// file ends (reading) or an error occurs; returns the bytes moved.
template <typename Transfer>
std::size_t transferAll(Transfer transfer, iovec* parts, int count) {
    std::size_t total = 0;
    while (count > 0) {
        if (parts[0].iov_len == 0) {
            ++parts;
            --count;
            continue;
        }
        ssize_t moved = transfer(parts, count);
        if (moved < 0 && errno == EINTR) continue;
        if (moved <= 0) break;
        total += static_cast<std::size_t>(moved);
        for (std::size_t left = static_cast<std::size_t>(moved); left > 0;) {
            std::size_t step = left < parts[0].iov_len ? left : parts[0].iov_len;
            parts[0].iov_base = static_cast<char*>(parts[0].iov_base) + step;
            parts[0].iov_len -= step;
            left -= step;
            if (parts[0].iov_len == 0 && left > 0) {
                ++parts;
                --count;
            }
        }
    }
    return total;
}

// Whether the file opened through the link `path` (in the folder
// `directory` stands for) may be read. A link is followed only when root,
// the user running the tool or the owner of the file it reaches made it: a
// link that someone else planted in a folder must not make a run (as root,
// or as the file's owner) copy a picture its planter may not read into files
// the planter can. The entry is looked at after the opening; if it is no
// longer a link, it must be the file opened.
bool linkMayBeFollowed(int directory, const std::string& path, const struct stat& opened) {
    struct stat entry;
    if (fstatat(directory, path.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!S_ISLNK(entry.st_mode)) return entry.st_dev == opened.st_dev && entry.st_ino == opened.st_ino;
    return entry.st_uid == 0 || entry.st_uid == processFacts().user || entry.st_uid == opened.st_uid;
}

}  // namespace

InputFile::~InputFile() {
    if (handle_ != kNoHandle) ::close(descriptorOf(handle_));
}

bool InputFile::open(Folder& folder, const std::string& name) {
    if (shouldFail(FileOp::Open)) return false;
    // Non-blocking, so that a FIFO that happens to match cannot hang the
    // run, and never the controlling terminal; anything but a regular file
    // (a directory, a device) is refused. For a regular file O_NONBLOCK
    // changes nothing, so it stays set. A link is first not followed, so
    // that a plain file costs no look at its entry.
    const std::string path = resolveName(folder, name);
    const int directory = posix::descriptorOf(folder);
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int descriptor = openat(directory, path.c_str(), flags | O_NOFOLLOW);
    const bool throughLink = descriptor < 0 && errno == ELOOP;
    if (throughLink) descriptor = openat(directory, path.c_str(), flags);
    if (descriptor < 0) return false;
    struct stat info;
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) ||
        (throughLink && !linkMayBeFollowed(directory, path, info))) {
        ::close(descriptor);
        return false;
    }
    handle_ = descriptor;
    size_ = static_cast<std::uint64_t>(info.st_size);
    likeness_.known = true;
    likeness_.mode = info.st_mode & 07777;
    likeness_.owner = info.st_uid;
    likeness_.group = info.st_gid;
    likeness_.device = static_cast<std::uint64_t>(info.st_dev);
    likeness_.inode = static_cast<std::uint64_t>(info.st_ino);
    return true;
}

std::size_t InputFile::read(void* first, std::size_t firstSize, void* second, std::size_t secondSize) {
    if (handle_ == kNoHandle) return 0;
    iovec parts[2] = {{first, firstSize}, {second, secondSize}};
    const int descriptor = descriptorOf(handle_);
    return transferAll([descriptor](const iovec* part, int count) { return readv(descriptor, part, count); },
                       parts, 2);
}

namespace replacement {
namespace {

// The permissions of a temporary file when it is made: its maker's alone.
constexpr mode_t kTemporaryMode = S_IRUSR | S_IWUSR;

// The read and write permissions a new file made from one of `mode` gives,
// under the umask, with write for its owner (see FileLikeness::FromIt).
std::uint32_t readAndWriteOf(std::uint32_t mode) {
    return (mode & 0666 & ~static_cast<std::uint32_t>(processFacts().umask)) | S_IWUSR;
}

// The same permissions with the group's bits those of everyone else: for a
// file whose group's members are strangers to what it holds. They get no
// more than before, and never less than strangers get (in a set-group-ID
// team folder the icon's owner is often a member of the group the file is
// left in, and must not be locked out). A set-group-ID bit goes too.
std::uint32_t groupAsOthers(std::uint32_t mode) {
    return (mode & ~static_cast<std::uint32_t>(S_ISGID | S_IRWXG)) | ((mode & S_IRWXO) << 3);
}

// A new file of the writer's in the target's folder, before it shows
// anything: its user's, in the group the folder gives; a run as root
// leaves a file in a folder of another user's to that user and the
// folder's group, so that after a run with sudo the user's files are still
// theirs to read and replace.
void startAsNewFile(ReplacementTarget& target) {
    const ProcessFacts& facts = processFacts();
    target.mode = (0666 & ~static_cast<std::uint32_t>(facts.umask)) | S_IWUSR;
    target.owner = facts.user;
    target.group = posix::groupOfNewFiles(*target.folder, facts.group);
    uid_t owner = 0;
    gid_t group = 0;
    if (facts.user == 0 && posix::ownersOf(*target.folder, owner, group) && owner != 0) {
        target.owner = owner;
        target.group = group;
    }
}

// Narrows a new file of the writer's to what a copy of `shown` may give:
// its read and write permissions, the group's those of everyone else
// unless the file is in the group of the one shown; and a file of root's
// that shows what its folder's owner may not read (neither theirs nor
// readable by everyone) is not given to that owner.
void narrowToCopyOf(const FileLikeness& shown, ReplacementTarget& target) {
    if (!shown.known || shown.made == FileLikeness::Made::FromNothing) return;
    const std::uint32_t mode = readAndWriteOf(shown.mode);
    target.mode &= shown.group == target.group ? mode : groupAsOthers(mode);
    const bool ownerMayRead = shown.owner == target.owner || (shown.mode & S_IROTH) != 0;
    if (!ownerMayRead) target.owner = processFacts().user;
}

}  // namespace

// A new version made like a file read before, by the rules of its kind.
void take(const FileLikeness& like, ReplacementTarget& target) {
    switch (like.made) {
        case FileLikeness::Made::Itself:
        case FileLikeness::Made::FromIt:
            target.mode = like.made == FileLikeness::Made::Itself ? like.mode : readAndWriteOf(like.mode);
            target.owner = like.owner;
            target.group = like.group;
            return;
        case FileLikeness::Made::Elsewhere:
        case FileLikeness::Made::FromNothing:
            startAsNewFile(target);
            narrowToCopyOf(like, target);
            return;
    }
}

// What a regular file's new version keeps of it.
void keepOf(const struct stat& info, ReplacementTarget& target) {
    target.mode = info.st_mode & 07777;
    target.owner = info.st_uid;
    target.group = info.st_gid;
}

bool folderTakesFiles(Folder& folder) {
    return posix::directoryWritable(folder);
}

bool chooseTarget(Folder& folder, const std::string& name, const FileLikeness& like, ReplacementTarget& target) {
    target = ReplacementTarget();
    target.folder = &folder;
    // A folder made read-only is, for root too (whom the system would let
    // write into it).
    if (!posix::directoryWritable(folder)) return false;
    // The directory was read once: a name it does not hold is a new file,
    // with no need to ask the system.
    const std::string* existing = posix::findEntry(folder, name);
    target.name = existing != nullptr ? *existing : name;
    const int directory = posix::descriptorOf(folder);
    struct stat info;
    const bool exists =
        existing != nullptr && fstatat(directory, target.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    // A directory can never be replaced.
    if (exists && S_ISDIR(info.st_mode)) return false;
    // A symbolic link is replaced by the new file, never written through: a
    // link in a downloaded icon pack must not make the tool overwrite a file
    // elsewhere. Its owner and permissions say nothing of the new file's
    // (nor do a pipe's), so it is made like a new file.
    if (!exists || !S_ISREG(info.st_mode)) {
        take(like.known ? like : FileLikeness::ofNothing(), target);
        return true;
    }
    // A file without any write bit is read-only for everyone, root too
    // (whom the system would let write it); anyone else must also be
    // allowed to write it, as opening it for writing would require.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    if (processFacts().user != 0 && faccessat(directory, target.name.c_str(), W_OK, 0) != 0) return false;
    target.isRegular = true;
    // What was read decides, not what holds the name now: a variant planted
    // beforehand (a hard link to its icon too), or an icon's entry swapped
    // since it was read, must not give the new bytes its owner or mode. Only
    // the very file read, rewritten, keeps what it has now (its owner may
    // have narrowed it during the run).
    const bool fileRead = static_cast<std::uint64_t>(info.st_dev) == like.device &&
                          static_cast<std::uint64_t>(info.st_ino) == like.inode;
    if (like.known && !(fileRead && like.made == FileLikeness::Made::Itself)) {
        take(like, target);
    } else {
        keepOf(info, target);
    }
    return true;
}

FileHandle createTemporaryBeside(const ReplacementTarget& target, std::string& temporary) {
    static unsigned serial = 0;
    const ProcessFacts& facts = processFacts();
    const int directory = posix::descriptorOf(*target.folder);
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        // Named in the target's folder, which the signal handler is told too.
        temporary = facts.temporaryPrefix + std::to_string(++serial) + ".tmp";
        posix::registerPendingTemporary(directory, temporary.c_str());
        descriptor = openat(directory, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                            kTemporaryMode);
        if (descriptor < 0) posix::forgetPendingTemporary(directory, temporary.c_str());
        if (descriptor < 0 && errno != EEXIST) break;
    }
    if (descriptor < 0) {
        temporary.clear();
        return kNoHandle;
    }
    return descriptor;
}

bool keepOwnerAndMode(FileHandle handle, const ReplacementTarget& target) {
    const ProcessFacts& facts = processFacts();
    const int descriptor = descriptorOf(handle);
    // The owner first: giving a file away may clear set-id bits, which the
    // mode then sets. Only root may give a file to another user; anyone may
    // give it a group they belong to. A set-id bit goes only with the owner
    // or group it belongs to; a file left in another group than it was to
    // have gives that group what it gives everyone else.
    const bool given =
        target.owner != facts.user || target.group != posix::groupOfNewFiles(*target.folder, facts.group);
    mode_t mode = target.mode;
    if (given && fchown(descriptor, target.owner, target.group) != 0) {
        if (target.owner != facts.user) mode &= ~static_cast<mode_t>(S_ISUID);
        if (fchown(descriptor, static_cast<uid_t>(-1), target.group) != 0) mode = groupAsOthers(mode);
    }
    // Made with its maker's permissions alone, under the umask, the file
    // gets its own now. A permission change that fails fails the
    // replacement: never a wider new version.
    return mode == (kTemporaryMode & ~facts.umask) || fchmod(descriptor, mode) == 0;
}

bool narrowMode(FileHandle, ReplacementTarget& target, const FileLikeness& shown) {
    // The temporary file is its maker's alone until it is swapped in: only
    // what it will get changes.
    narrowToCopyOf(shown, target);
    return true;
}

bool writeAll(FileHandle handle, const void* first, std::size_t firstSize, const void* second,
              std::size_t secondSize) {
    iovec parts[2] = {{const_cast<void*>(first), firstSize}, {const_cast<void*>(second), secondSize}};
    const int descriptor = descriptorOf(handle);
    std::size_t written = transferAll(
        [descriptor](const iovec* part, int count) { return writev(descriptor, part, count); }, parts, 2);
    return written == firstSize + secondSize;
}

bool close(FileHandle handle) {
    return ::close(descriptorOf(handle)) == 0;
}

bool swapIn(const std::string& temporary, const ReplacementTarget& target) {
    const int directory = posix::descriptorOf(*target.folder);
    if (renameat(directory, temporary.c_str(), directory, target.name.c_str()) != 0) return false;
    posix::forgetPendingTemporary(directory, temporary.c_str());
    return true;
}

void removeTemporary(const ReplacementTarget& target, const std::string& temporary) {
    const int directory = posix::descriptorOf(*target.folder);
    unlinkat(directory, temporary.c_str(), 0);
    posix::forgetPendingTemporary(directory, temporary.c_str());
}

}  // namespace replacement
}  // namespace platform
