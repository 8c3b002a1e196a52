// What the Windows tests need of processes and the console: running one of
// their own helper tests in a process of its own (for a key wait without a
// console, or a run ended from the console), and knowing whether there is a
// console at all.
#pragma once

#include <windows.h>

namespace test_support {

// The status Windows gives a console program ended by Ctrl+C or Ctrl+Break.
constexpr DWORD kEndedFromConsole = 0xC000013AU;
// What runHelperTest returns when the helper had to be stopped.
constexpr DWORD kHelperHung = 0xFFFFFFFFU;

// Runs the test `name` of this very program (usually a DISABLED_ one, run
// only this way) in a new process in the current directory, created with
// `flags` (CreateProcessW's), and returns its exit status. A helper that has
// not ended after a minute is stopped: a hang never hangs the test run.
DWORD runHelperTest(const char* name, DWORD flags);

// Whether this process has a console whose input it can read. Under wine a
// program has one only when it is started on a terminal.
bool hasConsole();

// While it lives, Ctrl+C and Ctrl+Break events that reach this process are
// taken as handled: a test that makes them for a helper process or as keys
// must not end the test program.
class ScopedIgnoreCtrlEvents {
public:
    ScopedIgnoreCtrlEvents();
    ~ScopedIgnoreCtrlEvents();
    // Waits up to `milliseconds` for an event to have reached this process
    // since construction. An event made for a helper reaches this process
    // too, on a thread of its own and maybe after the helper has ended: it
    // must be taken before the handler goes. False when none came.
    bool waitForEvent(DWORD milliseconds) const;
    ScopedIgnoreCtrlEvents(const ScopedIgnoreCtrlEvents&) = delete;
    ScopedIgnoreCtrlEvents& operator=(const ScopedIgnoreCtrlEvents&) = delete;
};

}  // namespace test_support

#define SKIP_WITHOUT_CONSOLE()                                                                 \
    if (!::test_support::hasConsole())                                                         \
    GTEST_SKIP() << "no console to read: under wine a program has one only when started on a " \
                    "terminal (tools/test-windows.sh starts the tests on one)"
