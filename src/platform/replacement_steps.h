// The operating-system steps of ReplacementFile; the sequence itself (and
// the points where tests make it fail) is the same everywhere.
#pragma once

#include <cstddef>
#include <string>

#include "platform/files.h"

namespace platform {
namespace replacement {

// Finds out what a replacement of `name` in `folder` must update in the
// end, and what its new version gets: the one place where a new file's
// owner, group and permissions are decided (by the rules of
// ReplacementFile::open).
// False when the file must stay as it is (read-only, a directory, a folder
// made read-only).
bool chooseTarget(Folder& folder, const std::string& name, const FileLikeness& like, ReplacementTarget& target);

// Whether `folder` may take new files at all (POSIX: whether it has any
// write permission bit; a folder without is read-only for root too).
bool folderTakesFiles(Folder& folder);

// Creates a new, empty temporary file in the target's folder, whose name
// never ends in ".tga", and opens it for writing; until keepOwnerAndMode()
// no one but the process's user can open it (POSIX: it has no permission
// bits for group and others). The name is registered for removal before
// the file exists, so that a run stopped at any moment leaves none.
// kNoHandle when anything fails (and then no temporary is left).
FileHandle createTemporaryBeside(const ReplacementTarget& target, std::string& temporary);

// Writes `firstSize` bytes of `first`, then `secondSize` of `second`, all of
// them. False on any failure.
bool writeAll(FileHandle handle, const void* first, std::size_t firstSize, const void* second,
              std::size_t secondSize);

// Gives the written temporary file, just before it is swapped in, the
// owner, group and permissions of the target's new version (POSIX: owner
// where allowed, then permissions; done after the writes, which would clear
// set-user-ID and set-group-ID bits). False when the permissions cannot be
// given.
bool keepOwnerAndMode(FileHandle handle, const ReplacementTarget& target);
// Narrows what the new version gets to what a copy of `shown` would get
// (POSIX; nothing on Windows). False when that cannot be done.
bool narrowMode(FileHandle handle, ReplacementTarget& target, const FileLikeness& shown);

// Closes the temporary file; false when that reports a failure.
bool close(FileHandle handle);

// Puts the finished temporary file in the target's place in one step.
bool swapIn(const std::string& temporary, const ReplacementTarget& target);

// Removes a temporary file of the target's folder that is not wanted any
// more, then forgets it.
void removeTemporary(const ReplacementTarget& target, const std::string& temporary);

}  // namespace replacement
}  // namespace platform
