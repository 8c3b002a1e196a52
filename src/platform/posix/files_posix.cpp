// Reading and replacing files on POSIX systems, in as few system calls as
// the promises allow: a file is read with open, fstat, one read and close;
// a replacement is open, one write, close and rename, plus an lstat when
// the file already exists, and an owner or permission change only where
// the new file cannot be made with them (a run as root, a rewrite keeping
// what the umask would take away, the page).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

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
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return false;
    }
    // A link that someone else made (neither root, the user running the
    // tool nor the owner of the file it reaches) is not followed: it must
    // not make a run copy a picture its maker may not reach into files they
    // can read. The entry is looked at after the opening; if it is no
    // longer a link, it must be the file opened.
    struct stat entry;
    if (throughLink && (fstatat(directory, path.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0 ||
                        (S_ISLNK(entry.st_mode) ? entry.st_uid != 0 && entry.st_uid != processFacts().user &&
                                                      entry.st_uid != info.st_uid
                                                : entry.st_dev != info.st_dev || entry.st_ino != info.st_ino))) {
        ::close(descriptor);
        return false;
    }
    handle_ = descriptor;
    size_ = static_cast<std::uint64_t>(info.st_size);
    readers_ = {true, info.st_uid, info.st_gid, static_cast<std::uint32_t>(info.st_mode & 07777),
                static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
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

// The permissions of a temporary file whose owner, group or permissions
// are given only once it is complete: its maker's alone until then.
constexpr mode_t kTemporaryMode = S_IRUSR | S_IWUSR;

// The group a file made in `folder` gets: the folder's where it is
// set-group-ID, else the writer's.
gid_t groupOfNewFiles(Folder& folder) {
    const FolderFacts* facts = posix::factsOf(folder);
    return facts != nullptr && facts->givesItsGroup ? facts->group : processFacts().group;
}

// Whether everyone (its owner, its group and others), the members of
// `group`, or `owner` may read `picture`.
bool everyoneMayRead(const Readers& picture) {
    return (picture.mode & (S_IRUSR | S_IRGRP | S_IROTH)) == (S_IRUSR | S_IRGRP | S_IROTH);
}
bool groupMayRead(const Readers& picture, gid_t group) {
    return everyoneMayRead(picture) || ((picture.mode & S_IRGRP) != 0 && picture.group == group);
}
bool ownerMayRead(const Readers& picture, uid_t owner) {
    return everyoneMayRead(picture) || picture.owner == owner;
}

// Who gets a file the run makes (every file but an icon's own rewrite), in
// the target's folder and showing the target's pictures, and with which
// permissions: the one place they are decided.
// - It is the writer's, in the group the system gives it, as cp makes it.
//   Under root it is the folder's owner's, in the folder's group, so that a
//   run with sudo leaves a user's folder theirs; but a file that shows a
//   picture that owner may not read stays root's.
// - Its mode is 0666 under the umask, a class's read bit kept only where
//   every picture shown grants it: others' read where everyone may read
//   them, the group's where its members may, as everyone or as the
//   picture's own group. Write bits go with read bits, and for a file made
//   from an icon (the first picture) with the icon's, as variants had them.
void newFileRules(ReplacementTarget& target) {
    const std::vector<Readers>& shown = target.from.shown;
    target.owner = processFacts().user;
    target.group = groupOfNewFiles(*target.folder);
    const FolderFacts* folderFacts = posix::factsOf(*target.folder);
    if (target.owner == 0 && folderFacts != nullptr) {
        const uid_t owner = folderFacts->owner;
        const auto mayRead = [owner](const Readers& picture) { return !picture.known || ownerMayRead(picture, owner); };
        if (std::all_of(shown.begin(), shown.end(), mayRead)) target.owner = owner;
        target.group = folderFacts->group;
    }
    target.mode = 0666 & ~static_cast<std::uint32_t>(processFacts().umask);
    for (const Readers& picture : shown) {
        if (!picture.known) continue;
        if (!everyoneMayRead(picture)) target.mode &= ~static_cast<std::uint32_t>(S_IROTH | S_IWOTH);
        if (!groupMayRead(picture, target.group)) target.mode &= ~static_cast<std::uint32_t>(S_IRGRP | S_IWGRP);
    }
    const bool ofAnIcon = target.from.made != Made::ShowsLater && !shown.empty() && shown[0].known;
    if (ofAnIcon) target.mode &= shown[0].mode | ~static_cast<std::uint32_t>(S_IWGRP | S_IWOTH);
}

// Whether a file made now in the target's folder has the target's owner
// and group.
bool ownedAsMade(const ReplacementTarget& target) {
    return target.owner == processFacts().user && target.group == groupOfNewFiles(*target.folder);
}

// Whether the temporary file is made with the new version's permissions:
// where they are known and it is made with its owner and group.
bool madeFinal(const ReplacementTarget& target) {
    return target.from.made != Made::ShowsLater && ownedAsMade(target);
}

}  // namespace

bool folderTakesFiles(Folder& folder) {
    const FolderFacts* facts = posix::factsOf(folder);
    return facts != nullptr && facts->writable;
}

bool chooseTarget(Folder& folder, const std::string& name, const MadeFrom& from, ReplacementTarget& target) {
    target = ReplacementTarget();
    target.folder = &folder;
    target.from = from;
    // A folder made read-only is, for root too (whom the system would let
    // write into it).
    if (!folderTakesFiles(folder)) return false;
    // The directory was read once: a name it does not hold is a new file,
    // with no need to ask the system.
    const std::string* existing = posix::findEntry(folder, name);
    target.name = existing != nullptr ? *existing : name;
    const int directory = posix::descriptorOf(folder);
    struct stat info;
    const bool exists =
        existing != nullptr && fstatat(directory, target.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    // A directory can never be replaced. A symbolic link is replaced by the
    // new file, never written through: a link in a downloaded icon pack
    // must not make the tool overwrite a file elsewhere.
    if (exists && S_ISDIR(info.st_mode)) return false;
    target.isRegular = exists && S_ISREG(info.st_mode);
    // A file without any write bit is read-only for everyone, root too
    // (whom the system would let write it); anyone else must also be allowed
    // to write it, as opening it for writing would require. But a file of
    // root's in a folder of the user's, which a run with sudo left, is the
    // user's to replace: the rerun without sudo remakes it.
    if (target.isRegular && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    const FolderFacts* facts = posix::factsOf(folder);
    const bool leftBySudo = info.st_uid == 0 && facts != nullptr && facts->owner == processFacts().user;
    const bool rewrite = from.made == Made::Rewrite && target.isRegular;
    if (target.isRegular && processFacts().user != 0 && !(leftBySudo && !rewrite) &&
        faccessat(directory, target.name.c_str(), W_OK, 0) != 0) {
        return false;
    }
    // Only the very file read keeps what it has: another file swapped in
    // under its name since must not give the picture its owner or mode.
    const Readers* read = from.shown.empty() ? nullptr : &from.shown[0];
    if (rewrite && (read == nullptr || !read->known ||
                    (read->device == static_cast<std::uint64_t>(info.st_dev) &&
                     read->inode == static_cast<std::uint64_t>(info.st_ino)))) {
        target.mode = info.st_mode & 07777;
        target.owner = info.st_uid;
        target.group = info.st_gid;
    } else {
        newFileRules(target);
    }
    return true;
}

FileHandle createTemporaryBeside(const ReplacementTarget& target, std::string& temporary) {
    static unsigned serial = 0;
    const ProcessFacts& facts = processFacts();
    const int directory = posix::descriptorOf(*target.folder);
    const mode_t mode = madeFinal(target) ? static_cast<mode_t>(target.mode & 0777) : kTemporaryMode;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        // Named in the target's folder, which the signal handler is told too.
        temporary = facts.temporaryPrefix + std::to_string(++serial) + ".tmp";
        posix::registerPendingTemporary(directory, temporary.c_str());
        descriptor = openat(directory, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        if (descriptor < 0) posix::forgetPendingTemporary(directory, temporary.c_str());
        if (descriptor < 0 && errno != EEXIST) break;
    }
    if (descriptor < 0) {
        temporary.clear();
        return kNoHandle;
    }
    return descriptor;
}

bool finish(FileHandle handle, ReplacementTarget& target) {
    const int descriptor = descriptorOf(handle);
    // The page's permissions follow from all the pictures it came to show.
    const bool final = madeFinal(target);
    if (target.from.made == Made::ShowsLater) newFileRules(target);
    // The owner and group first, as sed -i gives them: both, else the group
    // alone, failures ignored (only root may give a file away). A change
    // of owner clears set-id bits, which the permissions then give.
    const bool given = !ownedAsMade(target);
    if (given && fchown(descriptor, target.owner, target.group) != 0) {
        target.mode &= ~static_cast<std::uint32_t>(S_ISUID);
        if (fchown(descriptor, static_cast<uid_t>(-1), target.group) != 0) {
            target.mode &= ~static_cast<std::uint32_t>(S_ISGID);
        }
    }
    // A permission change that fails fails the replacement: never a wider
    // new version. A file made with them needs none.
    const mode_t made = (final ? target.mode & 0777 : kTemporaryMode) & ~processFacts().umask;
    return (!given && made == target.mode) || fchmod(descriptor, target.mode) == 0;
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
