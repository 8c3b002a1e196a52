// File names: comparing them as the tool's names need, listing the icons of
// a folder, and finding the spelling a name exists under.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/folder.h"

namespace platform {

// Names compared as the system's file system tells them apart, letter case
// aside: negative, zero or positive like strcmp, in an order of its own.
// On Windows as NTFS does, letters of every script folding by the system's
// upper-case table ("Жар" and "жар" are one name, "Ｆire" and "Fire" two);
// elsewhere ASCII letters only, as the index of a folder does (see
// resolveName). The N form compares the first `count` bytes.
int compareIgnoreCase(const char* a, const char* b);
int compareIgnoreCaseN(const char* a, const char* b, std::size_t count);
// Whether a name ends in ".tga" (".png") in any letter case.
bool hasTgaExtension(const std::string& name);
bool hasPngExtension(const std::string& name);

// Lists the entries of `folder` whose names match "*.tga" (and, with
// `alsoPng`, "*.png") without regard to letter case, in the order the
// platform's search yields them. False when the search cannot be made at
// all, or fails part-way (a partial listing never passes for a complete
// one).
bool listTgaEntries(Folder& folder, std::vector<std::string>& names, bool alsoPng = false);
inline bool listTgaEntries(std::vector<std::string>& names) {
    return listTgaEntries(currentFolder(), names);
}

// The name under which `name` exists in `folder`: the exact spelling when
// such an entry exists, else the first entry equal to it when letter case is
// ignored (see compareIgnoreCase), else `name` itself (a file still to be made). The folder
// is read once, at the first lookup or listing; files made since (by the
// tool or anyone else) are not seen until Folder::forget().
std::string resolveName(Folder& folder, const std::string& name);
inline std::string resolveName(const std::string& name) {
    return resolveName(currentFolder(), name);
}

// Whether `folder` has an entry `name` resolves to (see resolveName): a
// file, a folder, a link or anything else of that name.
bool entryExists(Folder& folder, const std::string& name);

// Whether `name` in `folder` is a folder, or a link to one.
bool isFolderIn(Folder& folder, const std::string& name);

// Forgets what is known of the current directory (see Folder::forget()).
inline void forgetDirectory() {
    currentFolder().forget();
}

}  // namespace platform
