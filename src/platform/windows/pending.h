// The hand-over between the Windows platform layer and its console control
// handler, which runs in a thread of its own: what must be undone if Ctrl+C,
// Ctrl+Break or closing the console window ends the run, and when Ctrl+C
// is a key instead.
#pragma once

#include <windows.h>

#include <string>

namespace platform {
namespace windows {

// Holds the handler off while it lives: a step taken under it (creating
// the temporary file, swapping it in, removing it) is either done whole or
// not begun when the run is ended. Not to be nested.
class UninterruptedStep {
public:
    UninterruptedStep();
    ~UninterruptedStep();
    UninterruptedStep(const UninterruptedStep&) = delete;
    UninterruptedStep& operator=(const UninterruptedStep&) = delete;
};

// Within a step: a temporary file being created or written, which the
// handler removes if it ends the run, and one that is gone or swapped in. A
// few may be pending at once (a page written over a whole run, and the file
// at hand).
void addPendingTemporary(const std::wstring& name);
void forgetPendingTemporary(const std::wstring& name);

// Within a step: a console input mode to put back if the run is ended
// during the key wait (null console for none).
void setConsoleModeToRestore(HANDLE console, DWORD mode);

// Within a step: an event that Ctrl+C signals, rather than ending the run,
// while the key wait takes it as a key (null for none).
void setCtrlCEvent(HANDLE event);

}  // namespace windows
}  // namespace platform
