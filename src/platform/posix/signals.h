// The hand-over between the POSIX platform layer and its signal handlers:
// what must be undone if a signal ends the run. Registering and forgetting
// are async-signal-safe hand-overs: a handler that interrupts them sees
// either the old or the new state, never a torn one.
#pragma once

#include <termios.h>

namespace platform {
namespace posix {

// A temporary file about to be created or being written (a name in the
// folder `directory` stands for, AT_FDCWD for the current directory):
// removed if a signal ends the run. Registered before the file exists,
// forgotten only once it is gone or renamed. A few may be pending at once
// (a page written over a whole run, and the file at hand).
void registerPendingTemporary(int directory, const char* name);
void forgetPendingTemporary(int directory, const char* name);

// Terminal settings to put back if a signal ends (or stops) the run while
// they are changed to `during` (the key wait); a run continued after a
// stop takes `during` again.
void registerTerminalToRestore(int terminal, const termios& settings, const termios& during);
void forgetTerminalToRestore();

}  // namespace posix
}  // namespace platform
