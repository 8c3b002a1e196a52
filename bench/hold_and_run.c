/* Holds the icons of the current folder open as another program would (an
 * antivirus scanner, a sync client, a viewer), starts a command and prints
 * how long it ran, in milliseconds. A Windows program, for bench/held_files.sh.
 *
 * Usage: hold_and_run free|none|rw MILLISECONDS COMMAND...
 *   free  holds nothing;
 *   none  opens every *.tga but the masks without sharing (nothing else can
 *         read, write or replace it), rw shares reading and writing only (it
 *         can be read but not replaced);
 *   MILLISECONDS after the start of COMMAND the files are closed; -1: only
 *   when COMMAND has ended. COMMAND's output goes to report.txt. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#define MOST_HELD 100000

static HANDLE held[MOST_HELD];

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const int holds = strcmp(argv[1], "free") != 0;
    const DWORD share = strcmp(argv[1], "rw") == 0 ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
    const long release = atol(argv[2]);
    int count = 0;
    WIN32_FIND_DATAW entry;
    HANDLE search = holds ? FindFirstFileW(L"*.tga", &entry) : INVALID_HANDLE_VALUE;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (_wcsnicmp(entry.cFileName, L"ZOF_", 4) == 0 || count == MOST_HELD) continue;
            held[count] = CreateFileW(entry.cFileName, GENERIC_READ, share, NULL, OPEN_EXISTING, 0, NULL);
            if (held[count] != INVALID_HANDLE_VALUE) ++count;
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    char command[32768] = "";
    for (int i = 3; i < argc; ++i) {
        strncat(command, argv[i], sizeof command - strlen(command) - 2);
        strcat(command, " ");
    }
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
    HANDLE report = CreateFileA("report.txt", GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, NULL);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = startup.hStdError = report;
    PROCESS_INFORMATION process;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) return 3;
    if (release >= 0) {
        Sleep((DWORD)release);
        for (int i = 0; i < count; ++i) CloseHandle(held[i]);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    printf("%d held, %.0f ms\n", count, (double)(end.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart);
    return 0;
}
