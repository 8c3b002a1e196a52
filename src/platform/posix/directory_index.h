// What the POSIX platform layer knows of a folder: where its names are
// taken from, and its entries as one reading of it found them.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/folder.h"

namespace platform {

// What a folder's own entry says, as the reading of its entries found it.
struct FolderFacts {
    bool writable = false;       // it has any write permission bit
    bool givesItsGroup = false;  // files made in it take its group (set-group-ID)
    uid_t owner = 0;
    gid_t group = 0;
};

// A folder's entries, read once and kept as an index, so that no lookup
// ever costs a system call or a new reading.
class DirectoryIndex {
public:
    // Reads the folder if it has not been read yet. False when it cannot be
    // read whole.
    bool ensureRead(int descriptor) {
        if (!read_) read_ = readDirectory(descriptor);
        return read_;
    }
    void forget();
    const std::string* find(int descriptor, const std::string& name);
    // The "*.tga" and "*.png" entries in the order the directory yielded
    // them.
    const std::vector<std::string>& iconListing() const { return listing_; }
    // What the directory's own entry says; null when it could not be read.
    const FolderFacts* facts(int descriptor) { return ensureRead(descriptor) ? &facts_ : nullptr; }

private:
    bool readDirectory(int descriptor);
    void add(const std::string& name);

    std::unordered_set<std::string> entries_;
    std::unordered_map<std::string, std::string> byFoldedName_;
    std::vector<std::string> listing_;
    FolderFacts facts_;
    bool read_ = false;
};

struct Folder::State {
    // What names are taken from: a descriptor of the folder, or AT_FDCWD
    // for the current directory.
    int descriptor = AT_FDCWD;
    DirectoryIndex index;
};

namespace posix {

// The descriptor names of `folder` are taken from (AT_FDCWD: the current
// directory), for the *at() calls.
inline int descriptorOf(const Folder& folder) {
    return folder.state().descriptor;
}

// The name of the entry `name` resolves to: its exact spelling, else the
// smallest in byte order of those equal to it ignoring ASCII case. Null
// when there is none.
const std::string* findEntry(Folder& folder, const std::string& name);

// What the directory's own entry says (see FolderFacts); null when it
// could not be read. Root may write into a folder without any write bit, as
// into a read-only file; the tool does not.
const FolderFacts* factsOf(Folder& folder);

}  // namespace posix
}  // namespace platform
