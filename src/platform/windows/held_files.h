// Files that another program holds for a moment. On Windows an antivirus
// scanner, the search indexer or a sync client opens a file right after it
// is written or renamed; a replacement, creation or removal in that moment
// fails, and succeeds a little later. The steps that touch a file are tried
// again for a bounded time.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/folder.h"

namespace platform {
namespace windows {

// Takes `attempt` (which returns ERROR_SUCCESS or the error of what failed)
// until it succeeds, fails for a reason that waiting does not change, or
// has found the file `name` of `folder` held for about a second; returns
// its last result. A folder that once held a file that long is not waited
// for again in this run, so a folder held for good costs one wait, not one
// per file. `attempt` takes its own uninterrupted step: the pauses are
// outside any, and Ctrl+C ends the run at once during one.
DWORD retryWhileHeld(Folder& folder, const std::wstring& name, const std::function<DWORD()>& attempt);

}  // namespace windows
}  // namespace platform
