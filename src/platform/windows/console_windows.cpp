// Printing on Windows. A console shows text written with WriteConsoleW as it
// is, whatever the code page; bytes written to it would be read in the
// console's code page and names outside it garbled. A stream that goes
// anywhere else (a file, a pipe) gets the UTF-8 bytes themselves.
#include <io.h>
#include <windows.h>

#include <string>

#include "platform/console.h"
#include "platform/windows/wide.h"

namespace platform {
namespace {

// The console behind `stream`, or null when it goes elsewhere.
HANDLE consoleOf(std::FILE* stream) {
    const int descriptor = _fileno(stream);
    if (descriptor < 0) return nullptr;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

bool writeToConsole(HANDLE console, const std::wstring& text) {
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const DWORD want = static_cast<DWORD>(text.size() - done < 16384 ? text.size() - done : 16384);
        if (!WriteConsoleW(console, text.data() + done, want, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

bool isConsole(std::FILE* stream) {
    return consoleOf(stream) != nullptr;
}

void printText(std::FILE* stream, const char* text, std::size_t size) {
    if (size == 0) return;
    HANDLE console = consoleOf(stream);
    std::wstring wide;
    if (console != nullptr && windows::toWide(std::string(text, size), wide)) {
        // What went through the stream before must stay before.
        std::fflush(stream);
        if (writeToConsole(console, wide)) return;
    }
    std::fwrite(text, 1, size, stream);
}

}  // namespace platform
