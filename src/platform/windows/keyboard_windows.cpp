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

// The console's keyboard as taken for the key wait: its handle, its mode
// before, and the event Ctrl+C signals while it is taken.
struct TakenKeyboard {
    HANDLE input = nullptr;
    HANDLE ctrlC = nullptr;
    DWORD savedMode = 0;
};

TakenKeyboard& takenKeyboard() {
    static TakenKeyboard taken;
    return taken;
}

// Writes `text` to the console itself, whatever standard output goes to.
void writeToConsole(const char* text) {
    HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (screen == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteConsoleA(screen, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    CloseHandle(screen);
}

}  // namespace

void prepareKeyWait() {
    TakenKeyboard& taken = takenKeyboard();
    if (taken.input != nullptr) return;
    // The console's own keyboard, not standard input, which may be
    // redirected. No console (a redirected run without one): no wait.
    HANDLE keyboard = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    if (keyboard == INVALID_HANDLE_VALUE) return;
    DWORD savedMode = 0;
    HANDLE ctrlC = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!GetConsoleMode(keyboard, &savedMode) || ctrlC == nullptr) {
        if (ctrlC != nullptr) CloseHandle(ctrlC);
        CloseHandle(keyboard);
        return;
    }
    // Keys are read one by one as they are typed, and Ctrl+C is a key like
    // any other rather than the end of the program: without processed
    // input the console queues it as a key; where it comes as a console
    // event all the same (under wine the terminal makes it a signal), the
    // handler signals `ctrlC` instead. Whatever else ends the program from
    // here on puts the mode back.
    {
        windows::UninterruptedStep step;
        windows::setConsoleModeToRestore(keyboard, savedMode);
        windows::setCtrlCEvent(ctrlC);
        SetConsoleMode(keyboard, savedMode & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT |
                                                                  ENABLE_ECHO_INPUT));
    }
    taken.input = keyboard;
    taken.ctrlC = ctrlC;
    taken.savedMode = savedMode;
}

void waitForKey(const char* prompt) {
    prepareKeyWait();
    TakenKeyboard& taken = takenKeyboard();
    if (taken.input == nullptr) return;
    // Output redirected away from the console: the prompt is shown on the
    // console itself, so that the wait does not look like a hang.
    DWORD outputMode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &outputMode)) writeToConsole(prompt);
    // Keys pressed before the wait stay queued and end it at once; events
    // are read one at a time, so nothing after the key is taken away.
    const HANDLE awaited[] = {taken.input, taken.ctrlC};
    while (WaitForMultipleObjects(2, awaited, FALSE, INFINITE) == WAIT_OBJECT_0) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!ReadConsoleInputW(taken.input, &record, 1, &count) || count == 0) break;
        if (isKeyPress(record)) break;
    }
    {
        windows::UninterruptedStep step;
        SetConsoleMode(taken.input, taken.savedMode);
        windows::setConsoleModeToRestore(nullptr, 0);
        windows::setCtrlCEvent(nullptr);
    }
    CloseHandle(taken.ctrlC);
    CloseHandle(taken.input);
    taken = TakenKeyboard();
    // The shell's prompt starts on a line of its own, not after ours; the
    // line end goes to the console alone, never into a redirected output.
    writeToConsole("\r\n");
}

}  // namespace platform
