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
    // The "*.tga" entries in the order the directory yielded them.
    const std::vector<std::string>& tgaListing() const { return listing_; }
    // Whether the directory has any write permission bit.
    bool writable(int descriptor) { return ensureRead(descriptor) && writable_; }
    // Whether files made in the directory take its group (set-group-ID),
    // and which group that is.
    bool givesItsGroup(int descriptor, gid_t& group);
    // Who owns the directory: false when it could not be read.
    bool owners(int descriptor, uid_t& owner, gid_t& group);

private:
    bool readDirectory(int descriptor);
    void add(const std::string& name);

    std::unordered_set<std::string> entries_;
    std::unordered_map<std::string, std::string> byFoldedName_;
    std::vector<std::string> listing_;
    bool writable_ = false;
    bool givesItsGroup_ = false;
    uid_t owner_ = 0;
    gid_t group_ = 0;
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

// Whether the directory has any write permission bit. Root may write into
// one without, as into a read-only file; the tool does not.
bool directoryWritable(Folder& folder);

// The group a file made in the directory gets: the directory's own where it
// is set-group-ID, else `processGroup`.
gid_t groupOfNewFiles(Folder& folder, gid_t processGroup);

// The directory's owner and group; false when it could not be read.
bool ownersOf(Folder& folder, uid_t& owner, gid_t& group);

}  // namespace posix
}  // namespace platform
