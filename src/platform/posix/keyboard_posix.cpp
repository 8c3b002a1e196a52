// The key wait on POSIX systems: one key from the terminal itself, in raw
// mode for as long as the wait lasts.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/console.h"
#include "platform/posix/signals.h"

namespace platform {
namespace {

// Reads one byte from the terminal, giving up after `tenths` of a second
// (0 = wait for ever). False when nothing came.
bool readTerminalByte(int terminal, termios settings, cc_t tenths, unsigned char& byte) {
    settings.c_cc[VMIN] = tenths == 0 ? 1 : 0;
    settings.c_cc[VTIME] = tenths;
    tcsetattr(terminal, TCSANOW, &settings);
    for (;;) {
        ssize_t got = read(terminal, &byte, 1);
        if (got == 1) return true;
        if (got < 0 && errno == EINTR) continue;
        return false;
    }
}

// After an escape byte, swallows the rest of a special key's sequence
// (ESC [ ... final, ESC O x), so none of it reaches the shell afterwards.
void consumeEscapeSequence(int terminal, const termios& settings) {
    const cc_t kWaitTenths = 1;
    unsigned char byte = 0;
    if (!readTerminalByte(terminal, settings, kWaitTenths, byte)) return;  // a lone Escape
    if (byte == 'O') {
        readTerminalByte(terminal, settings, kWaitTenths, byte);
        return;
    }
    if (byte != '[') return;
    // Parameters and intermediates run until a final byte 0x40..0x7E.
    while (readTerminalByte(terminal, settings, kWaitTenths, byte)) {
        if (byte >= 0x40 && byte <= 0x7E) return;
    }
}

// After the first byte of a character of several (UTF-8: é, я, 火), swallows
// the rest of it, so that none of it reaches the shell afterwards.
void consumeRestOfCharacter(int terminal, const termios& settings, unsigned char first) {
    const cc_t kWaitTenths = 1;
    int more = (first & 0xE0) == 0xC0 ? 1 : (first & 0xF0) == 0xE0 ? 2 : (first & 0xF8) == 0xF0 ? 3 : 0;
    unsigned char byte = 0;
    while (more-- > 0 && readTerminalByte(terminal, settings, kWaitTenths, byte)) {
    }
}

// The terminal as taken for the key wait: its settings before, and the raw
// ones the wait reads with.
struct TakenTerminal {
    int descriptor = -1;
    termios saved{};
    termios raw{};
};

TakenTerminal& takenTerminal() {
    static TakenTerminal taken;
    return taken;
}

}  // namespace

void prepareKeyWait() {
    TakenTerminal& taken = takenTerminal();
    if (taken.descriptor >= 0) return;
    // The keyboard itself, not standard input, which may be redirected.
    int terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return;
    // A background job does not own the keyboard: changing the terminal's
    // settings would stop it (SIGTTOU), and reading would too (SIGTTIN).
    if (tcgetpgrp(terminal) != getpgrp() || tcgetattr(terminal, &taken.saved) != 0) {
        close(terminal);
        return;
    }
    taken.raw = taken.saved;
    // No line input, no echo, and Ctrl+C is a key like any other, also one
    // typed as the prompt appears. (The report is flushed before this, so
    // that only the few closing lines are printed with Ctrl+C taken as a
    // key.) Output processing stays: the closing lines print as lines.
    taken.raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    taken.raw.c_cc[VMIN] = 1;
    taken.raw.c_cc[VTIME] = 0;
    // Whatever ends the process from here on puts the settings back.
    posix::registerTerminalToRestore(terminal, taken.saved, taken.raw);
    // TCSANOW, not TCSAFLUSH: a key already typed is kept for the wait.
    tcsetattr(terminal, TCSANOW, &taken.raw);
    taken.descriptor = terminal;
}

void waitForKey(const char* prompt) {
    prepareKeyWait();
    TakenTerminal& taken = takenTerminal();
    const int terminal = taken.descriptor;
    if (terminal < 0) return;
    if (!isatty(STDOUT_FILENO)) {
        [[maybe_unused]] ssize_t shown = write(terminal, prompt, std::strlen(prompt));
    }
    unsigned char byte = 0;
    if (readTerminalByte(terminal, taken.raw, 0, byte)) {
        if (byte == 0x1B) {
            consumeEscapeSequence(terminal, taken.raw);
        } else {
            consumeRestOfCharacter(terminal, taken.raw, byte);
        }
    }
    // TCSANOW, not TCSAFLUSH: what was typed after the key stays for the shell.
    tcsetattr(terminal, TCSANOW, &taken.saved);
    posix::forgetTerminalToRestore();
    // The shell's prompt starts on a line of its own, not after ours; the
    // line end goes to the terminal alone, never into a redirected output.
    [[maybe_unused]] ssize_t ended = write(terminal, "\n", 1);
    close(terminal);
    taken.descriptor = -1;
}

}  // namespace platform
