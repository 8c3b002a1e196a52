// The Windows console: names in any script printed as they are, to a console
// as wide characters and elsewhere as UTF-8; and the key wait, which reads
// the console's own input. The counterparts of key_wait_test.cpp, which
// needs a POSIX terminal.
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/console.h"
#include "support/compiled_out.h"
#include "support/console_capture.h"
#include "support/windows/child_process.h"

using namespace test_support;

COMPILED_OUT(KeyWait, SpecialKeysSequenceIsConsumedWhole,
             "a Windows console delivers a special key as one input record, never as an escape "
             "sequence; KeyWait.EachCaseEndsAtTheFirstKeyPressAndKeepsTheRest has arrows and F5");

namespace {

// Cyrillic and Greek: outside the ANSI code page of a Western system, and
// one console cell per character everywhere.
const char* const kName = "WARN: \xD0\x96\xD0\xB0\xD1\x80.tga \xCE\xA6\xCF\x89\xCF\x84\xCE\xB9\xCE\xAC.tga";
const wchar_t* const kShown = L"WARN: \x0416\x0430\x0440.tga \x03A6\x03C9\x03C4\x03B9\x03AC.tga";

}  // namespace

TEST(ConsoleOutput, RedirectedOutputIsUtf8ByteForByte) {
    ConsoleCapture capture;
    platform::printFormatted(capture.file(), "%s|%-22s|\n", kName, "Fire.tga");
    EXPECT_EQ(capture.take(), std::string(kName) + "|Fire.tga              |\n");
}

TEST(ConsoleOutput, ConsoleShowsNamesInAnyScript) {
    SKIP_WITHOUT_CONSOLE();
    HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    ASSERT_NE(screen, INVALID_HANDLE_VALUE);
    // A stream on the screen buffer, as standard output is on a console.
    std::FILE* stream = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(screen), 0), "w");
    ASSERT_NE(stream, nullptr);
    std::fputs("ok ", stream);  // earlier bytes through the stream come first
    platform::printText(stream, kName);
    platform::printText(stream, platform::shownName(stream, "\xE2\x80\xAE").c_str());  // a direction control
    std::fflush(stream);
    const std::wstring expected = std::wstring(L"ok ") + kShown + L"?";
    std::wstring shown(expected.size(), L'\0');
    DWORD read = 0;
    ASSERT_TRUE(ReadConsoleOutputCharacterW(screen, &shown[0], static_cast<DWORD>(shown.size()), COORD{0, 0}, &read));
    EXPECT_TRUE(shown == expected) << "the console shows other characters";
    std::fclose(stream);
}

// --- the key wait ----------------------------------------------------------

TEST(KeyWait, EndsAtOnceWithoutAConsole) {
    EXPECT_EQ(runHelperTest("KeyWaitHelper.DISABLED_Wait", DETACHED_PROCESS), 0u);
}

TEST(KeyWaitHelper, DISABLED_Wait) {
    platform::waitForKey("");
}

namespace {

INPUT_RECORD key(WORD virtualKey, wchar_t character, bool down = true, DWORD controls = 0) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.uChar.UnicodeChar = character;
    record.Event.KeyEvent.dwControlKeyState = controls;
    return record;
}

INPUT_RECORD focus() {
    INPUT_RECORD record{};
    record.EventType = FOCUS_EVENT;
    record.Event.FocusEvent.bSetFocus = TRUE;
    return record;
}

INPUT_RECORD mouse() {
    INPUT_RECORD record{};
    record.EventType = MOUSE_EVENT;
    record.Event.MouseEvent.dwButtonState = FROM_LEFT_1ST_BUTTON_PRESSED;
    return record;
}

struct WaitCase {
    const char* name;
    std::vector<INPUT_RECORD> events;
    std::vector<WORD> left;  // the keys whose presses must still be queued after the wait
    bool asTheWaitReadsThem;  // queued with Ctrl+C unprocessed, as during the wait
};

class KeyWaitCases : public ::testing::TestWithParam<WaitCase> {};

}  // namespace

// Keys pressed during the run: the first key press among them ends the
// wait, what comes after it stays for whoever reads next, and the console's
// mode is as it was.
TEST_P(KeyWaitCases, EachCaseEndsAtTheFirstKeyPressAndKeepsTheRest) {
    SKIP_WITHOUT_CONSOLE();
    HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(input, INVALID_HANDLE_VALUE);
    DWORD before = 0;
    ASSERT_TRUE(GetConsoleMode(input, &before));
    ScopedIgnoreCtrlEvents ignore;  // a Ctrl+C key must not end the test program
    FlushConsoleInputBuffer(input);
    // Keys typed while the wait runs are queued with Ctrl+C taken as a key;
    // typing them from here during the wait is not reliable under wine,
    // whose console on a terminal adds key events of its own then.
    const DWORD atTheWait =
        GetParam().asTheWaitReadsThem ? before & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT) : before;
    SetConsoleMode(input, atTheWait);
    const std::vector<INPUT_RECORD>& events = GetParam().events;
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputW(input, events.data(), static_cast<DWORD>(events.size()), &written));
    platform::waitForKey("");
    DWORD after = 0;
    GetConsoleMode(input, &after);
    // The presses of this case's keys still queued: wine's console, on a
    // terminal, adds key events of its own that are no one's concern here.
    auto typedHere = [&events](WORD virtualKey) {
        for (const INPUT_RECORD& event : events) {
            if (event.EventType == KEY_EVENT && event.Event.KeyEvent.wVirtualKeyCode == virtualKey) return true;
        }
        return false;
    };
    std::vector<WORD> left;
    DWORD count = 0;
    while (GetNumberOfConsoleInputEvents(input, &count) && count > 0) {
        INPUT_RECORD record;
        DWORD read = 0;
        if (!ReadConsoleInputW(input, &record, 1, &read) || read == 0) break;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
            typedHere(record.Event.KeyEvent.wVirtualKeyCode)) {
            left.push_back(record.Event.KeyEvent.wVirtualKeyCode);
        }
    }
    SetConsoleMode(input, before);
    CloseHandle(input);
    EXPECT_EQ(left, GetParam().left);
    EXPECT_EQ(after, atTheWait);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyWaitCases,
    ::testing::Values(
        WaitCase{"AnyKey", {key('Q', L'q')}, {}, false},
        WaitCase{"KeyPressedEarlierKeepsTheNext", {key('Q', L'q'), key('Z', L'z')}, {'Z'}, false},
        WaitCase{"ReleasesModifiersMouseAndFocusDoNotEndIt",
                 {key('A', L'a', false), key(VK_SHIFT, 0), key(VK_CONTROL, 0), key(VK_MENU, 0), key(VK_CAPITAL, 0),
                  focus(), mouse(), key('Q', L'q'), key('Z', L'z')},
                 {'Z'}, false},
        WaitCase{"CtrlCIsAKey", {key(VK_CONTROL, 0, true, LEFT_CTRL_PRESSED), key('C', 3, true, LEFT_CTRL_PRESSED),
                                 key('Z', L'z')}, {'Z'}, true},
        WaitCase{"ArrowAndFunctionKeys", {key(VK_UP, 0), key(VK_F5, 0), key('Z', L'z')}, {VK_F5, 'Z'}, false}),
    [](const ::testing::TestParamInfo<WaitCase>& param) { return std::string(param.param.name); });
