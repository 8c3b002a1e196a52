// The key wait on Windows: one key press from the console's own keyboard.
#include <windows.h>

#include <cstring>

#include "platform/console.h"
#include "platform/windows/pending.h"

namespace platform {
namespace {

bool isModifierOrLock(WORD virtualKey) {
    switch (virtualKey) {
        case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT:
        case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL:
        case VK_MENU: case VK_LMENU: case VK_RMENU:
        case VK_LWIN: case VK_RWIN:
        case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
            return true;
        default:
            return false;
    }
}

// A key going down that gives a character or is a key of its own (arrows,
// function keys and the like); releases and modifiers alone are not presses.
bool isKeyPress(const INPUT_RECORD& record) {
    if (record.EventType != KEY_EVENT) return false;
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    if (!key.bKeyDown) return false;
    return key.uChar.UnicodeChar != 0 || !isModifierOrLock(key.wVirtualKeyCode);
}

}  // namespace

void prepareKeyWait() {}

void waitForKey(const char* prompt) {
    // The console's own keyboard, not standard input, which may be
    // redirected. No console (a redirected run without one): no wait.
    HANDLE keyboard = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    if (keyboard == INVALID_HANDLE_VALUE) return;
    DWORD savedMode = 0;
    if (!GetConsoleMode(keyboard, &savedMode)) {
        CloseHandle(keyboard);
        return;
    }
    // Output redirected away from the console: the prompt is shown on the
    // console itself, so that the wait does not look like a hang.
    DWORD outputMode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &outputMode)) {
        HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (screen != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteConsoleA(screen, prompt, static_cast<DWORD>(std::strlen(prompt)), &written, nullptr);
            CloseHandle(screen);
        }
    }
    // Ctrl+C is a key like any other rather than the end of the program;
    // whatever else ends it during the wait puts the mode back.
    {
        windows::UninterruptedStep step;
        windows::setConsoleModeToRestore(keyboard, savedMode);
        SetConsoleMode(keyboard, savedMode & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT));
    }
    // Keys pressed before the wait stay queued and end it at once; events
    // are read one at a time, so nothing after the key is taken away.
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!ReadConsoleInputW(keyboard, &record, 1, &count) || count == 0) break;
        if (isKeyPress(record)) break;
    }
    {
        windows::UninterruptedStep step;
        SetConsoleMode(keyboard, savedMode);
        windows::setConsoleModeToRestore(nullptr, 0);
    }
    CloseHandle(keyboard);
}

}  // namespace platform
