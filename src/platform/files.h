// Reading a file whole, and replacing a file all or nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/folder.h"

namespace platform {

// What identifies an open file to the operating system; kNoHandle for none.
using FileHandle = std::intptr_t;
constexpr FileHandle kNoHandle = -1;

// What a file made like another takes of it, as found when that file was
// opened for reading: on POSIX systems its owner, group and permissions; on
// Windows nothing, as a new file takes its folder's security there.
struct FileLikeness {
    bool known = false;
    std::uint32_t mode = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint64_t device = 0;  // which file it was, to know it again
    std::uint64_t inode = 0;
    // Owned as any new file of the writer is (its user, and the group its
    // folder gives), not given to the owner and group above.
    bool writersOwn = false;

    // The same for a new file made from the one read (a variant of an
    // icon): its owner and group, and the
    // read and write permissions it gives, narrowed by the umask as for any
    // new file, with write for its owner, so that the next run can replace
    // it. Never an execute or set-id bit: an icon from a FAT drive or a zip
    // archive is often 0777.
    FileLikeness forOtherFiles() const;
    // The same for a file made from the one read in another folder (an
    // output folder): with those permissions, but the writer's own, as a
    // copy is. A run as root never hands files in its output folder to
    // whoever owns the icons.
    FileLikeness forFilesElsewhere() const;
};

// A file opened for reading: only a regular file is ever opened (never a
// directory, a pipe or a device, whose reads could block the run).
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `name` of `folder` after resolving it (see resolveName). False
    // when it cannot be opened or is no regular file.
    bool open(Folder& folder, const std::string& name);
    bool open(const std::string& name) { return open(currentFolder(), name); }
    // The file's size when it was opened.
    std::uint64_t size() const { return size_; }
    // What a file made like this one takes of it.
    const FileLikeness& likeness() const { return likeness_; }
    // Reads the next bytes into `first`, then into `second`, up to their
    // sizes, in as few system calls as the platform allows. Returns how many
    // bytes came; fewer than asked only at the end of the file or on error.
    std::size_t read(void* first, std::size_t firstSize, void* second = nullptr, std::size_t secondSize = 0);

private:
    FileHandle handle_ = kNoHandle;
    std::uint64_t size_ = 0;
    FileLikeness likeness_;
};

// What the platform learnt about the file a replacement will take the place
// of; each platform fills the fields it needs.
struct ReplacementTarget {
    Folder* folder = nullptr; // the folder that holds it, and its temporary file
    std::string name;         // the spelling the file exists under, or the new name
    bool isRegular = false;   // an existing regular file (not a link): what it has is kept
    bool keepsOwnerAndMode = false;  // POSIX: mode, owner and group below are given to the new version
    std::uint32_t mode = 0;   // POSIX: the permission bits to keep
    std::uint32_t owner = 0;  // POSIX: the owner and group to keep
    std::uint32_t group = 0;
    std::uint32_t attributes = 0;      // Windows: what the file shows (hidden, system) to keep
    std::uint64_t creationTime = 0;    // Windows: when the file was made, to keep
    std::vector<std::uint8_t> access;  // Windows: its access-control list, to keep
};

// Writes a new version of a file beside it and swaps it in atomically.
// Until commit() succeeds the target keeps its previous bytes; a writer that
// is destroyed without a successful commit leaves no temporary file behind,
// and neither does a run stopped by a signal or a closed console meanwhile.
class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Starts the replacement of `name` of `folder` (resolved like
    // resolveName); the temporary file is made in that folder. False,
    // with nothing changed, when the file must stay as it is (read-only, a
    // directory) or no temporary file can be made. The new version takes
    // `like` where it is known: what the file its bytes come from had when it
    // was read (an icon's own new version what the icon had, a variant what
    // its icon had, whatever file or link held the name), so that a private
    // picture gets private files, a run as root leaves the user's files the
    // user's, and nobody can choose them by swapping an entry meanwhile.
    // Without `like`, or where the name still holds the very file read (whose
    // owner may have changed its permissions since), an existing regular file
    // keeps its owner and permissions.
    bool open(Folder& folder, const std::string& name, const FileLikeness& like = FileLikeness());
    bool open(const std::string& name, const FileLikeness& like = FileLikeness()) {
        return open(currentFolder(), name, like);
    }
    // Appends bytes; false once anything has failed. Small pieces are held
    // back and go out with the next large one, so a file of a header and
    // one block of pixels takes a single system write.
    bool write(const void* data, std::size_t size);
    // Takes from the new version every permission that `mode` lacks, at
    // once: a file made from several others (a page of pictures) is no
    // wider than the narrowest of them. False when that cannot be done.
    bool narrowTo(std::uint32_t mode);
    // Writes what is held back, closes, and renames the temporary file over
    // the target.
    bool commit();

private:
    void discard();

    FileHandle handle_ = kNoHandle;
    ReplacementTarget target_;
    std::string temporary_;
    unsigned char held_[512];
    std::size_t heldSize_ = 0;
    bool failed_ = false;
};

// Whether files can be made in `folder`: a file is made there and removed
// again. False for a folder made read-only (on POSIX systems, one without
// any write permission bit: for root too).
bool canWriteInto(Folder& folder);

}  // namespace platform
