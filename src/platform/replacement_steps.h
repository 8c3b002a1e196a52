// The operating-system steps of ReplacementFile; the sequence itself (and
// the points where tests make it fail) is the same everywhere.
#pragma once

#include <cstddef>
#include <string>

#include "platform/files.h"

namespace platform {
namespace replacement {

// Finds out what a replacement of `name` in `folder` must update in the
// end, and what its new version gets (by the rules of Made; for
// Made::ShowsLater what is known so far). False when the file must stay as
// it is (read-only, a directory, a folder made read-only).
bool chooseTarget(Folder& folder, const std::string& name, const MadeFrom& from, ReplacementTarget& target);

// Whether `folder` may take new files at all (POSIX: whether it has any
// write permission bit; a folder without is read-only for root too).
bool folderTakesFiles(Folder& folder);

// Creates a new, empty temporary file in the target's folder, whose name
// never ends in ".tga", and opens it for writing; it lets in nobody the
// finished file keeps out (POSIX: made with its final permissions where its
// owner and group are the writer's own, else its maker's alone until
// finish()). The name is registered for removal before
// the file exists, so that a run stopped at any moment leaves none.
// kNoHandle when anything fails (and then no temporary is left).
FileHandle createTemporaryBeside(const ReplacementTarget& target, std::string& temporary);

// Writes `firstSize` bytes of `first`, then `secondSize` of `second`, all of
// them. False on any failure.
bool writeAll(FileHandle handle, const void* first, std::size_t firstSize, const void* second,
              std::size_t secondSize);

// Gives the written temporary file, just before it is swapped in, what it
// was not given when it was made (POSIX: its owner and group where they
// are not the writer's, failures ignored as sed -i ignores them, then
// permissions where they differ, set-id bits last; Windows: a private list
// for a page that shows a private picture, and a rewrite's creation
// time). False when permissions cannot be given: never a wider file.
bool finish(FileHandle handle, ReplacementTarget& target);

// Closes the temporary file; false when that reports a failure.
bool close(FileHandle handle);

// Puts the finished temporary file in the target's place in one step.
bool swapIn(const std::string& temporary, const ReplacementTarget& target);

// Removes a temporary file of the target's folder that is not wanted any
// more, then forgets it.
void removeTemporary(const ReplacementTarget& target, const std::string& temporary);

}  // namespace replacement
}  // namespace platform
