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
// opened for reading: on POSIX systems its owner, group and permissions, as
// they were; on Windows its access-control list, and as `mode` 0644 or 0600
// whether every user may read it (what a page of pictures asks of it). What
// a new file gets of them follows from how it is made (`made`), by the rules
// of ReplacementFile::open.
struct FileLikeness {
    bool known = false;
    std::uint32_t mode = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint64_t device = 0;  // which file it was, to know it again
    std::uint64_t inode = 0;
    // Windows: the list a file made from it gets (see
    // windows/access_lists.h); empty: its folder's, as any new file's.
    std::vector<std::uint8_t> access;

    // How the new file stands to the one read; each kind has its own
    // rules, whatever file stands under the new file's name. (The rules
    // below are POSIX ones. On Windows the file's own new version keeps its
    // access-control list where its name still holds the very file read;
    // every other file made from it takes the list read, and a file made
    // from nothing its folder's until narrowTo.)
    enum class Made {
        // The file's own new version (an icon rewritten in place): it keeps
        // what the file has where its name still holds the very file read,
        // else it takes the owner, group and whole mode read.
        Itself,
        // A new file made from it in its folder (a variant): its owner and
        // group, and the read and write permissions it gives, narrowed by
        // the umask as for any new file, with write for its owner, so that
        // the next run can replace it. Never an execute or set-id bit: an
        // icon from a FAT drive or a zip archive is often 0777.
        FromIt,
        // A new file made from it in another folder (a copy in an output
        // folder): owned as new files of that folder are, with those read
        // and write permissions.
        Elsewhere,
        // A new file of that kind made from nothing yet (a page, which
        // ReplacementFile::narrowTo then narrows by each file it shows).
        FromNothing,
    };
    Made made = Made::Itself;

    // For a variant of the file read; one made elsewhere stays so.
    FileLikeness forOtherFiles() const {
        FileLikeness other = *this;
        if (made == Made::Itself) other.made = Made::FromIt;
        return other;
    }
    // For a file made from the one read in another folder.
    FileLikeness forFilesElsewhere() const {
        FileLikeness other = *this;
        other.made = Made::Elsewhere;
        return other;
    }
    // For a new file that shows nothing yet.
    static FileLikeness ofNothing() {
        FileLikeness like;
        like.known = true;
        like.made = Made::FromNothing;
        return like;
    }
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
    std::uint32_t mode = 0;   // POSIX: the permission bits the new version gets
    std::uint32_t owner = 0;  // POSIX: the owner and group it gets
    std::uint32_t group = 0;
    std::uint32_t attributes = 0;      // Windows: what the file shows (hidden, system) to keep
    std::uint64_t creationTime = 0;    // Windows: when the file was made, to keep
    std::vector<std::uint8_t> access;  // Windows: the access-control list the new version gets
    bool isPrivate = false;            // Windows: given the list of a file not for every user
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
    // directory) or no temporary file can be made. The new version is made
    // as `like` says (see FileLikeness::Made), from what the file its bytes
    // come from had when it was read, whatever file, link or hard link to
    // that file holds the name: so a private picture gets private files, a
    // run as root leaves the user's files the user's, and nobody can choose
    // them by planting or swapping an entry. A file made in another folder
    // is owned as any new file of the writer is (its user, and the group the
    // folder gives); a run as root gives it to the folder's owner and group
    // instead, unless it shows a file that owner may not read (neither
    // theirs nor readable by everyone). A file left in another group than
    // the file its bytes come from gives that group what it gives others.
    // Until commit() the temporary file is its maker's alone, unreadable by
    // anyone else. Without `like` an existing regular file keeps its owner
    // and permissions, and a new one is as any new file of the writer's.
    bool open(Folder& folder, const std::string& name, const FileLikeness& like = FileLikeness());
    bool open(const std::string& name, const FileLikeness& like = FileLikeness()) {
        return open(currentFolder(), name, like);
    }
    // Appends bytes; false once anything has failed, the temporary file
    // then removed at once. Small pieces are held back and go out with the
    // next large one, so a file of a header and one block of pixels takes a
    // single system write.
    bool write(const void* data, std::size_t size);
    // Narrows the new version, made in another folder (FileLikeness::
    // Elsewhere or FromNothing), to what a copy of `shown` would get there:
    // a file that shows several others (a page of pictures) is no wider
    // than the narrowest of them, by the rules of open(). (On Windows, a
    // `shown` that not every user may read gives it a list that admits only
    // its maker, SYSTEM and the Administrators.) Nothing for a likeness not
    // known. False once anything has failed.
    bool narrowTo(const FileLikeness& shown);
    // Writes what is held back, closes, and renames the temporary file over
    // the target.
    bool commit();
    // Gives the new version up: the temporary file is closed and removed,
    // and the target stays as it was.
    void discard();

private:
    bool giveUp();

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
