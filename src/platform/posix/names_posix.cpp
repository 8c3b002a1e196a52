// File names on POSIX systems (Linux and the like).
//
// The tool was made for a file system that ignores letter case. Here names
// are resolved against each folder by hand, so that ICON.TGA is rewritten as
// ICON.TGA and "DISFire.tga" replaces an existing "disfire.tga". A folder is
// read once and kept as an index, so no lookup ever costs a system call or a
// new reading. What the run makes itself is not added: an output is found
// only under a name it had before the run, so icons whose names differ only
// in letter case each get variants of their own.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/names.h"
#include "platform/posix/directory_index.h"

namespace platform {
namespace {

char foldLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string foldedName(const std::string& name) {
    std::string folded(name);
    for (char& c : folded) c = foldLower(c);
    return folded;
}

// Opens the folder for reading its entries: the current directory as
// opendir() does, another through its descriptor.
DIR* openListing(int descriptor) {
    if (descriptor == AT_FDCWD) return opendir(".");
    int listing = openat(descriptor, ".", O_RDONLY | O_NONBLOCK | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return nullptr;
    DIR* directory = fdopendir(listing);
    if (directory == nullptr) close(listing);
    return directory;
}

}  // namespace

// ASCII letters fold, nothing else does, as in the index of a folder
// (names are bytes here, and no other byte is a letter of its own).
int compareIgnoreCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int difference = static_cast<unsigned char>(foldLower(*a)) -
                         static_cast<unsigned char>(foldLower(*b));
        if (difference != 0 || *a == '\0') return difference;
    }
}

int compareIgnoreCaseN(const char* a, const char* b, std::size_t count) {
    for (; count > 0; --count, ++a, ++b) {
        int difference = static_cast<unsigned char>(foldLower(*a)) -
                         static_cast<unsigned char>(foldLower(*b));
        if (difference != 0 || *a == '\0') return difference;
    }
    return 0;
}

void DirectoryIndex::forget() {
    entries_.clear();
    byFoldedName_.clear();
    listing_.clear();
    facts_ = FolderFacts();
    read_ = false;
}

const std::string* DirectoryIndex::find(int descriptor, const std::string& name) {
    if (!ensureRead(descriptor)) return nullptr;
    auto exact = entries_.find(name);
    if (exact != entries_.end()) return &*exact;
    auto folded = byFoldedName_.find(foldedName(name));
    return folded == byFoldedName_.end() ? nullptr : &folded->second;
}

void DirectoryIndex::add(const std::string& name) {
    entries_.insert(name);
    // Of several spellings the smallest in byte order wins, so that the
    // choice does not depend on the order the directory lists them in.
    auto inserted = byFoldedName_.emplace(foldedName(name), name);
    if (!inserted.second && name < inserted.first->second) inserted.first->second = name;
}

bool DirectoryIndex::readDirectory(int descriptor) {
    forget();
    DIR* directory = openListing(descriptor);
    if (directory == nullptr) return false;
    struct stat info;
    // Unknown, the directory counts as root's, and read-only.
    if (fstat(dirfd(directory), &info) == 0) {
        facts_ = {(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0, (info.st_mode & S_ISGID) != 0, info.st_uid,
                  info.st_gid};
    }
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(directory);
        if (entry == nullptr) break;
        add(entry->d_name);
        if (hasTgaExtension(entry->d_name) || hasPngExtension(entry->d_name)) listing_.emplace_back(entry->d_name);
    }
    // readdir gives null both at the end and on an error: only errno
    // tells them apart.
    bool complete = errno == 0;
    closedir(directory);
    if (!complete) forget();
    return complete;
}

namespace posix {

const std::string* findEntry(Folder& folder, const std::string& name) {
    return folder.state().index.find(descriptorOf(folder), name);
}

const FolderFacts* factsOf(Folder& folder) {
    return folder.state().index.facts(descriptorOf(folder));
}

}  // namespace posix

bool listTgaEntries(Folder& folder, std::vector<std::string>& names, bool alsoPng) {
    // A listing is a fresh look at the folder: what was known of it before
    // (say, while the masks were read) is read again.
    DirectoryIndex& index = folder.state().index;
    index.forget();
    if (!index.ensureRead(posix::descriptorOf(folder))) return false;
    for (const std::string& name : index.iconListing()) {
        if (alsoPng || hasTgaExtension(name)) names.push_back(name);
    }
    return true;
}

std::string resolveName(Folder& folder, const std::string& name) {
    if (name.empty()) return name;
    const std::string* found = posix::findEntry(folder, name);
    return found == nullptr ? name : *found;
}

bool entryExists(Folder& folder, const std::string& name) {
    if (name.empty()) return false;
    if (posix::findEntry(folder, name) != nullptr) return true;
    // A folder that may be searched but not listed still shows an entry of
    // the exact name.
    struct stat info;
    return fstatat(posix::descriptorOf(folder), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool isFolderIn(Folder& folder, const std::string& name) {
    struct stat info;
    return fstatat(posix::descriptorOf(folder), name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace platform
