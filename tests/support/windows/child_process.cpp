#include "support/windows/child_process.h"

#include <atomic>
#include <string>

namespace test_support {
namespace {

std::atomic<int> eventsTaken{0};

BOOL WINAPI takeAsHandled(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    ++eventsTaken;
    return TRUE;
}

}  // namespace

DWORD runHelperTest(const char* name, DWORD flags) {
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return kHelperHung;
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_also_run_disabled_tests --gtest_filter=";
    for (const char* c = name; *c != '\0'; ++c) command += static_cast<wchar_t>(*c);  // ASCII
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, &command[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &process)) {
        return kHelperHung;
    }
    CloseHandle(process.hThread);
    DWORD status = kHelperHung;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &status);
    } else {
        TerminateProcess(process.hProcess, kHelperHung);
    }
    CloseHandle(process.hProcess);
    return status;
}

bool hasConsole() {
    HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    bool usable = GetConsoleMode(input, &mode) != 0;
    CloseHandle(input);
    return usable;
}

ScopedIgnoreCtrlEvents::ScopedIgnoreCtrlEvents() {
    eventsTaken = 0;
    SetConsoleCtrlHandler(takeAsHandled, TRUE);
}

bool ScopedIgnoreCtrlEvents::waitForEvent(DWORD milliseconds) const {
    const DWORD kStep = 10;
    for (DWORD waited = 0; eventsTaken == 0 && waited < milliseconds; waited += kStep) Sleep(kStep);
    return eventsTaken > 0;
}

ScopedIgnoreCtrlEvents::~ScopedIgnoreCtrlEvents() {
    SetConsoleCtrlHandler(takeAsHandled, FALSE);
}

}  // namespace test_support
