// Ending a run from the console on Windows: Ctrl+C, Ctrl+Break and closing
// the window call a handler in a thread of its own. It removes the
// temporary file being written and puts the console's mode back before the
// process ends, so that nothing half-written is left beside the icons.
// During the key wait, Ctrl+C is a key instead: it ends the wait, not the
// run.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/process.h"
#include "platform/windows/pending.h"

namespace platform {
namespace {

// What the handler must undo, guarded by one lock: a handler that ends the
// run takes it and never gives it back, so the main thread cannot change
// anything after it, and a step the main thread takes under it is never
// cut in two.
SRWLOCK undoLock = SRWLOCK_INIT;
std::vector<std::wstring> pendingTemporaries;
HANDLE consoleToRestore = nullptr;
DWORD modeToRestore = 0;
HANDLE ctrlCEvent = nullptr;

// The status Windows itself gives a console program ended by Ctrl+C.
constexpr UINT kEndedFromConsole = 0xC000013AU;

BOOL WINAPI undoAndStop(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            break;
        default:
            return FALSE;
    }
    AcquireSRWLockExclusive(&undoLock);
    if (event == CTRL_C_EVENT && ctrlCEvent != nullptr) {
        SetEvent(ctrlCEvent);
        ReleaseSRWLockExclusive(&undoLock);
        return TRUE;
    }
    // The temporary file is shared for deletion: it goes even while the
    // main thread still holds it open, at the latest when the process ends.
    for (const std::wstring& temporary : pendingTemporaries) DeleteFileW(temporary.c_str());
    if (consoleToRestore != nullptr) SetConsoleMode(consoleToRestore, modeToRestore);
    ExitProcess(kEndedFromConsole);
}

}  // namespace

// The files the tool writes are opened as system handles, never as the C
// library's descriptors, so none can take a closed stream's place: there is
// nothing to fill.
void fillClosedStandardStreams() {}

void protectRun() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    SetConsoleCtrlHandler(undoAndStop, TRUE);
}

namespace windows {

UninterruptedStep::UninterruptedStep() {
    protectRun();
    AcquireSRWLockExclusive(&undoLock);
}

UninterruptedStep::~UninterruptedStep() {
    ReleaseSRWLockExclusive(&undoLock);
}

void addPendingTemporary(const std::wstring& name) {
    pendingTemporaries.push_back(name);
}

void forgetPendingTemporary(const std::wstring& name) {
    pendingTemporaries.erase(std::remove(pendingTemporaries.begin(), pendingTemporaries.end(), name),
                             pendingTemporaries.end());
}

void setConsoleModeToRestore(HANDLE console, DWORD mode) {
    consoleToRestore = console;
    modeToRestore = mode;
}

void setCtrlCEvent(HANDLE event) {
    ctrlCEvent = event;
}

}  // namespace windows
}  // namespace platform
