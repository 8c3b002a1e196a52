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

}  // namespace

void waitForKey(const char* prompt) {
    // The keyboard itself, not standard input, which may be redirected.
    int terminal = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return;
    termios saved;
    // A background job does not own the keyboard: changing the terminal's
    // settings would stop it (SIGTTOU), and reading would too (SIGTTIN).
    if (tcgetpgrp(terminal) != getpgrp() || tcgetattr(terminal, &saved) != 0) {
        close(terminal);
        return;
    }
    termios raw = saved;
    // No line input, no echo, and Ctrl+C is a key like any other.
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    if (!isatty(STDOUT_FILENO)) {
        [[maybe_unused]] ssize_t shown = write(terminal, prompt, std::strlen(prompt));
    }
    // Whatever ends the process during the wait puts the settings back.
    posix::registerTerminalToRestore(terminal, saved, raw);
    unsigned char byte = 0;
    if (readTerminalByte(terminal, raw, 0, byte)) {
        if (byte == 0x1B) {
            consumeEscapeSequence(terminal, raw);
        } else {
            consumeRestOfCharacter(terminal, raw, byte);
        }
    }
    // TCSANOW, not TCSAFLUSH: what was typed after the key stays for the shell.
    tcsetattr(terminal, TCSANOW, &saved);
    posix::forgetTerminalToRestore();
    close(terminal);
}

}  // namespace platform
