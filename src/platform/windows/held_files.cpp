#include "platform/windows/held_files.h"

#include <algorithm>

#include "platform/windows/folder_path.h"

namespace platform {
namespace windows {
namespace {

// Pauses double from the first, and all of them together last the
// patience: most holds end within some milliseconds, a scan of a large
// file within some hundred.
constexpr DWORD kFirstPauseMs = 5;
constexpr DWORD kPatienceMs = 1000;

// Whether `error` may be another program's hold on `name`. A denied access
// is also what a read-only file or a directory gives, which no wait
// changes; a file pending deletion cannot even be looked at.
bool mayBeHeldForAMoment(DWORD error, const std::wstring& name) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
    if (error != ERROR_ACCESS_DENIED) return false;
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_ACCESS_DENIED;
    return (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

}  // namespace

DWORD retryWhileHeld(Folder& folder, const std::wstring& name, const std::function<DWORD()>& attempt) {
    DWORD waited = 0;
    for (DWORD pause = kFirstPauseMs;; pause *= 2) {
        const DWORD error = attempt();
        if (error == ERROR_SUCCESS || !mayBeHeldForAMoment(error, name)) return error;
        if (folder.state().heldTooLong || waited >= kPatienceMs) {
            folder.state().heldTooLong = true;
            return error;
        }
        pause = std::min(pause, kPatienceMs - waited);
        Sleep(pause);
        waited += pause;
    }
}

}  // namespace windows
}  // namespace platform
