// The platform layer on Windows, the system the tool is made for.
//
// The file system ignores letter case by itself, so names need no resolving
// by hand: a single lookup tells the spelling an existing entry has.
#include "platform/platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/file_faults.h"
#include "platform/replacement_steps.h"

namespace platform {
namespace {

const DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

DWORD attributesOf(const std::string& name) {
    return GetFileAttributesA(name.c_str());
}

std::string temporaryNameFor(unsigned serial) {
    // Never ends in ".tga", so no search for icons can take it for one.
    return "button-disabler-" + std::to_string(static_cast<unsigned long>(GetCurrentProcessId())) + "-" +
           std::to_string(serial) + ".tmp";
}

// Attributes a replaced file passes on to its new version. Read-only never
// gets here (such a target is refused), a directory cannot be replaced.
const DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

int compareIgnoreCase(const char* a, const char* b) {
    return _stricmp(a, b);
}

int compareIgnoreCaseN(const char* a, const char* b, std::size_t count) {
    return _strnicmp(a, b, count);
}

bool listTgaEntries(std::vector<std::string>& names) {
    // The search also matches 8.3 short aliases, so a long name that does
    // not end in ".tga" can be yielded; the caller copes with such names.
    _finddata_t entry;
    intptr_t search = _findfirst("*.tga", &entry);
    if (search == -1) return errno == ENOENT;  // no match is an empty list
    do {
        names.emplace_back(entry.name);
    } while (_findnext(search, &entry) == 0);
    _findclose(search);
    return true;
}

std::string resolveName(const std::string& name) {
    // Wildcards (the search also takes < > and " as such) are no part of any
    // file name; looking them up would match other files.
    if (name.empty() || name.find_first_of("*?<>\"") != std::string::npos) return name;
    _finddata_t entry;
    intptr_t search = _findfirst(name.c_str(), &entry);
    if (search == -1) return name;
    _findclose(search);
    // A match through a short alias has another long name: the name given
    // reaches the same file anyway.
    return _stricmp(entry.name, name.c_str()) == 0 ? std::string(entry.name) : name;
}

std::FILE* openForReading(const std::string& name) {
    if (shouldFail(FileOp::Open)) return nullptr;
    // Without backup semantics a directory cannot be opened at all; the type
    // check refuses devices ("con.tga" names the console), whose reads could
    // block the run.
    HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(handle);
        return nullptr;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor == -1) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* stream = _fdopen(descriptor, "rb");
    if (stream == nullptr) _close(descriptor);  // closes the handle too
    return stream;
}

namespace replacement {

bool chooseTarget(const std::string& name, std::string& target) {
    target = resolveName(name);
    // A file its owner made read-only stays as it is; a directory can never
    // be replaced.
    DWORD targetAttributes = attributesOf(target);
    return targetAttributes == kNoAttributes ||
           (targetAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
}

std::FILE* createTemporaryBeside(const std::string&, std::string& temporary) {
    // Names carry no directory part: the target is in the current folder.
    static unsigned serial = 0;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = temporaryNameFor(++serial);
        descriptor = _open(temporary.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (descriptor < 0 && errno != EEXIST) break;
    }
    if (descriptor < 0) {
        temporary.clear();
        return nullptr;
    }
    std::FILE* stream = _fdopen(descriptor, "wb");
    if (stream == nullptr) {
        _close(descriptor);
        removeTemporary(temporary);
        temporary.clear();
    }
    return stream;
}

bool swapIn(const std::string& temporary, const std::string& target) {
    DWORD targetAttributes = attributesOf(target);
    if (targetAttributes != kNoAttributes && (targetAttributes & kKeptAttributes) != 0) {
        SetFileAttributesA(temporary.c_str(), targetAttributes & kKeptAttributes);
    }
    return MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void removeTemporary(const std::string& temporary) {
    // A hidden or system attribute set for the swap must not keep the
    // leftover from being removed.
    SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(temporary.c_str());
}

}  // namespace replacement

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
    return key.uChar.AsciiChar != 0 || !isModifierOrLock(key.wVirtualKeyCode);
}

}  // namespace

void waitForKey() {
    // The console's own keyboard, not standard input, which may be
    // redirected. No console (a redirected run without one): no wait.
    HANDLE keyboard = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    if (keyboard == INVALID_HANDLE_VALUE) return;
    DWORD savedMode = 0;
    if (!GetConsoleMode(keyboard, &savedMode)) {
        CloseHandle(keyboard);
        return;
    }
    // Ctrl+C is a key like any other rather than the end of the program.
    SetConsoleMode(keyboard, savedMode & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT));
    // Keys pressed before the wait stay queued and end it at once; events
    // are read one at a time, so nothing after the key is taken away.
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!ReadConsoleInputA(keyboard, &record, 1, &count) || count == 0) break;
        if (isKeyPress(record)) break;
    }
    SetConsoleMode(keyboard, savedMode);
    CloseHandle(keyboard);
}

}  // namespace platform
