// File names on POSIX systems (Linux and the like).
//
// The tool was made for a file system that ignores letter case. Here names
// are resolved against the current directory by hand, so that ICON.TGA is
// rewritten as ICON.TGA and "DISFire.tga" replaces an existing "disfire.tga".
// The directory is read once and kept as an index, so no lookup ever costs
// a system call or a new reading. What the run makes itself is not added:
// an output is found only under a name it had before the run, so icons
// whose names differ only in letter case each get variants of their own.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "platform/names.h"
#include "platform/posix/directory_index.h"

namespace platform {
namespace {

std::string foldedName(const std::string& name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

class DirectoryIndex {
public:
    // Reads the current directory if it has not been read yet. False when
    // it cannot be read whole.
    bool ensureRead() {
        if (!read_) read_ = readDirectory();
        return read_;
    }

    void forget() {
        entries_.clear();
        byFoldedName_.clear();
        listing_.clear();
        read_ = false;
    }

    const std::string* find(const std::string& name) {
        if (!ensureRead()) return nullptr;
        auto exact = entries_.find(name);
        if (exact != entries_.end()) return &*exact;
        auto folded = byFoldedName_.find(foldedName(name));
        return folded == byFoldedName_.end() ? nullptr : &folded->second;
    }

    void add(const std::string& name) {
        entries_.insert(name);
        // Of several spellings the smallest in byte order wins, so that the
        // choice does not depend on the order the directory lists them in.
        auto inserted = byFoldedName_.emplace(foldedName(name), name);
        if (!inserted.second && name < inserted.first->second) inserted.first->second = name;
    }

    // The "*.tga" entries in the order the directory yielded them.
    const std::vector<std::string>& tgaListing() const { return listing_; }

    // Whether the directory has any write permission bit.
    bool writable() { return ensureRead() && writable_; }

    // Whether files made in the directory take its group (set-group-ID),
    // and which group that is.
    bool givesItsGroup(gid_t& group) {
        if (!ensureRead() || !givesItsGroup_) return false;
        group = group_;
        return true;
    }

private:
    bool readDirectory() {
        forget();
        DIR* directory = opendir(".");
        if (directory == nullptr) return false;
        struct stat info;
        const bool known = fstat(dirfd(directory), &info) == 0;
        writable_ = known && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
        givesItsGroup_ = known && (info.st_mode & S_ISGID) != 0;
        group_ = info.st_gid;
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(directory);
            if (entry == nullptr) break;
            add(entry->d_name);
            if (hasTgaExtension(entry->d_name)) listing_.emplace_back(entry->d_name);
        }
        // readdir gives null both at the end and on an error: only errno
        // tells them apart.
        bool complete = errno == 0;
        closedir(directory);
        if (!complete) forget();
        return complete;
    }

    std::unordered_set<std::string> entries_;
    std::unordered_map<std::string, std::string> byFoldedName_;
    std::vector<std::string> listing_;
    bool writable_ = false;
    bool givesItsGroup_ = false;
    gid_t group_ = 0;
    bool read_ = false;
};

DirectoryIndex& directoryIndex() {
    static DirectoryIndex index;
    return index;
}

}  // namespace

namespace posix {

const std::string* findEntry(const std::string& name) {
    return directoryIndex().find(name);
}

bool directoryWritable() {
    return directoryIndex().writable();
}

gid_t groupOfNewFiles(gid_t processGroup) {
    gid_t group = processGroup;
    directoryIndex().givesItsGroup(group);
    return group;
}

}  // namespace posix

bool listTgaEntries(std::vector<std::string>& names) {
    // A listing is a fresh look at the directory: what was known of it
    // before (say, while the masks were read) is read again.
    directoryIndex().forget();
    if (!directoryIndex().ensureRead()) return false;
    const std::vector<std::string>& listing = directoryIndex().tgaListing();
    names.insert(names.end(), listing.begin(), listing.end());
    return true;
}

std::string resolveName(const std::string& name) {
    if (name.empty()) return name;
    const std::string* found = posix::findEntry(name);
    return found == nullptr ? name : *found;
}

bool entryExists(const std::string& name) {
    return !name.empty() && posix::findEntry(name) != nullptr;
}

void forgetDirectory() {
    directoryIndex().forget();
}

}  // namespace platform
