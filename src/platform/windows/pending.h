// The hand-over between the Windows platform layer and its console control
// handler, which runs in a thread of its own: what must be undone if Ctrl+C,
// Ctrl+Break or closing the console window ends the run.
#pragma once

#include <windows.h>

#include <string>

namespace platform {
namespace windows {

// The temporary file about to be created or being written: removed if the
// run is ended. Registered before the file exists, forgotten only once it
// is gone or renamed.
void registerPendingTemporary(const std::wstring& name);
void forgetPendingTemporary();

// A console input mode to put back if the run is ended during the key wait.
void registerConsoleModeToRestore(HANDLE console, DWORD mode);
void forgetConsoleModeToRestore();

}  // namespace windows
}  // namespace platform
