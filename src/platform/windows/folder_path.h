// What the Windows platform layer knows of a folder: the path its files are
// named by. The file system ignores letter case by itself, so no index of
// names is kept.
#pragma once

#include <string>

#include "platform/folder.h"

namespace platform {

struct Folder::State {
    // The folder's full path as Windows reads the one given (see
    // Folder::open), ending in a separator; empty for the current
    // directory.
    std::wstring prefix;
    // A file of it stayed held by another program for the whole wait:
    // none of its files is waited for again (see held_files.h).
    bool heldTooLong = false;
};

namespace windows {

// The path of `name` in `folder`, in UTF-16. False when `name` is not valid
// UTF-8.
bool pathIn(const Folder& folder, const std::string& name, std::wstring& path);

}  // namespace windows
}  // namespace platform
