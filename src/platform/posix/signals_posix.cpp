// Signals on POSIX systems: a run that a signal ends leaves no temporary
// file and no terminal in raw mode behind, and a write to a closed pipe or
// past a file-size limit fails as an error instead of killing the run.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <initializer_list>

#include "platform/posix/signals.h"
#include "platform/process.h"

namespace platform {
namespace {

// The temporary files being written: a page written over a whole run, and
// the file at hand. A slot's name is written only while the slot is not
// published, so a handler never reads a name being written.
constexpr std::size_t kMaxTemporaryName = 1024;
constexpr std::size_t kTemporarySlots = 4;
struct TemporarySlot {
    int directory;
    char name[kMaxTemporaryName];
    volatile std::sig_atomic_t published;
};
TemporarySlot temporarySlots[kTemporarySlots];

int terminalToRestore = -1;
termios settingsToRestore;
termios settingsDuringWait;
volatile std::sig_atomic_t terminalRegistered = 0;

void undoAndStop(int signalNumber) {
    for (const TemporarySlot& slot : temporarySlots) {
        if (slot.published) unlinkat(slot.directory, slot.name, 0);
    }
    if (terminalRegistered) tcsetattr(terminalToRestore, TCSANOW, &settingsToRestore);
    // The handler was reset on entry (SA_RESETHAND) and does not block its
    // own signal (SA_NODEFER): this ends the process with the signal's
    // usual status.
    raise(signalNumber);
}

// Sets what `signalNumber` does, with async-signal-safe calls only.
void setAction(int signalNumber, void (*handler)(int), int flags) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    sigaction(signalNumber, &action, nullptr);
}

void stopAndResume(int signalNumber) {
    const bool waiting = terminalRegistered != 0;
    if (waiting) tcsetattr(terminalToRestore, TCSANOW, &settingsToRestore);
    // Stopped as the signal would stop the process by itself; the handler
    // goes on from here once the run is continued.
    setAction(signalNumber, SIG_DFL, 0);
    raise(signalNumber);
    setAction(signalNumber, stopAndResume, SA_NODEFER);
    if (waiting && terminalRegistered) tcsetattr(terminalToRestore, TCSANOW, &settingsDuringWait);
}

// Installs `handler` for `signalNumber` unless someone else already chose
// what that signal does (a handler, or ignoring it as a background job
// started without job control ignores Ctrl+C).
void installIfDefault(int signalNumber, void (*handler)(int), int flags) {
    struct sigaction current;
    if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return;
    setAction(signalNumber, handler, flags);
}

// Whether a signal, left to itself, ends the process. Those that do not
// (a child's end, a window's new size, continue, and the stops, which do
// not end the run) and those that cannot be caught are left alone.
bool endsTheProcess(int signalNumber) {
    switch (signalNumber) {
        case SIGKILL: case SIGSTOP:                      // cannot be caught
        case SIGCHLD: case SIGCONT: case SIGURG: case SIGWINCH:  // ignored by default
        case SIGTSTP: case SIGTTIN: case SIGTTOU:        // stop, and the run goes on later
        case SIGPIPE: case SIGXFSZ:                      // made write errors below
            return false;
        default:
            return true;
    }
}

}  // namespace

void protectRun() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    // Every signal that would end the run, whoever sends it (Ctrl+C, Ctrl+\,
    // a closed terminal, kill, a CPU-time limit, a program of the user's),
    // ends it only after the temporary file is gone and the terminal is
    // back: SIGKILL alone, which no program can catch, leaves a temporary.
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
        if (endsTheProcess(signalNumber)) installIfDefault(signalNumber, undoAndStop, SA_RESETHAND | SA_NODEFER);
    }
    // During the key wait a stop must give the terminal back first, and
    // take it again once the run goes on.
    installIfDefault(SIGTSTP, stopAndResume, SA_NODEFER);
    // The write at hand then fails with EPIPE or EFBIG, which the tool
    // reports like any failed write, and the run goes on.
    installIfDefault(SIGPIPE, SIG_IGN, 0);
    installIfDefault(SIGXFSZ, SIG_IGN, 0);
}

namespace posix {

void registerPendingTemporary(int directory, const char* name) {
    protectRun();
    std::size_t length = std::strlen(name);
    if (length >= kMaxTemporaryName) return;  // never for the tool's own short names
    for (TemporarySlot& slot : temporarySlots) {
        if (slot.published) continue;
        slot.directory = directory;
        std::memcpy(slot.name, name, length + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        slot.published = 1;
        return;
    }
}

void forgetPendingTemporary(int directory, const char* name) {
    for (TemporarySlot& slot : temporarySlots) {
        if (slot.published && slot.directory == directory && std::strcmp(slot.name, name) == 0) slot.published = 0;
    }
}

void registerTerminalToRestore(int terminal, const termios& settings, const termios& during) {
    protectRun();
    terminalRegistered = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    terminalToRestore = terminal;
    settingsToRestore = settings;
    settingsDuringWait = during;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    terminalRegistered = 1;
}

void forgetTerminalToRestore() {
    terminalRegistered = 0;
}

}  // namespace posix
}  // namespace platform
