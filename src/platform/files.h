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

// Who may read a file, as found when it was opened: what a file that shows
// its picture may let in. On POSIX systems its owner, group and permission
// bits; on Windows `mode` alone, 0644 when Everyone, Users or Authenticated
// Users may read it, else 0600.
struct Readers {
    bool known = false;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint32_t mode = 0;
    std::uint64_t device = 0;  // which file it was, to know it again
    std::uint64_t inode = 0;
};

// How a replacement decides who may open the new file, whatever file,
// link or hard link stood under its name. Every file and folder the tool
// makes follows one rule (newFileRules on POSIX, newFileAccess on Windows, and
// docs/limits.md), but for an icon's own rewrite.
enum class Made {
    // The file's own new version (an icon rewritten in place): it keeps
    // what the regular file it replaces has, as sed -i does, where that is
    // the very file read (the first picture shown). Where its name holds
    // another file or a link, it is made as Shows.
    Rewrite,
    // A new file showing the pictures given (a variant, a copy in another
    // folder): nobody may read it who may not read them all.
    Shows,
    // A new file whose pictures are told while it is written (the page,
    // ReplacementFile::alsoShows): its maker's alone until it is complete.
    ShowsLater,
};

// How a new file is made, and the pictures it shows.
struct MadeFrom {
    Made made = Made::Rewrite;
    std::vector<Readers> shown;
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
    // Who may read the file.
    const Readers& readers() const { return readers_; }
    // Reads the next bytes into `first`, then into `second`, up to their
    // sizes, in as few system calls as the platform allows. Returns how many
    // bytes came; fewer than asked only at the end of the file or on error.
    std::size_t read(void* first, std::size_t firstSize, void* second = nullptr, std::size_t secondSize = 0);

private:
    FileHandle handle_ = kNoHandle;
    std::uint64_t size_ = 0;
    Readers readers_;
};

// What the platform learnt about the file a replacement will take the place
// of, and what the new version gets; each platform fills the fields it needs.
struct ReplacementTarget {
    Folder* folder = nullptr; // the folder that holds it, and its temporary file
    std::string name;         // the spelling the file exists under, or the new name
    MadeFrom from;
    bool isRegular = false;   // an existing regular file (not a link): a rewrite keeps what it has
    std::uint32_t mode = 0;   // POSIX: the permission bits the new version gets
    std::uint32_t owner = 0;  // POSIX: the owner and group it gets
    std::uint32_t group = 0;
    std::uint32_t attributes = 0;      // Windows: what the file shows (hidden, system) to keep
    std::uint64_t creationTime = 0;    // Windows: when the file was made, to keep
    std::vector<std::uint8_t> access;  // Windows: the access-control list the new version gets
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
    // resolveName); the temporary file is made in that folder, and lets in
    // nobody the finished file keeps out. False, with nothing changed, when
    // the file must stay as it is (no write permission, for root too; a
    // directory) or no temporary file can be made. `from` says who may
    // open the new version (see Made).
    bool open(Folder& folder, const std::string& name, const MadeFrom& from = MadeFrom());
    bool open(const std::string& name, const MadeFrom& from = MadeFrom()) {
        return open(currentFolder(), name, from);
    }
    // Appends bytes; false once anything has failed, the temporary file
    // then removed at once. Small pieces are held back and go out with the
    // next large one, so a file of a header and one block of pixels takes a
    // single system write.
    bool write(const void* data, std::size_t size);
    // Adds a picture the new version shows (Made::ShowsLater).
    void alsoShows(const Readers& picture) { target_.from.shown.push_back(picture); }
    // The name the file is written under, once open: the spelling a file
    // of that name has where letter case is ignored, or the name asked for.
    const std::string& name() const { return target_.name; }
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
