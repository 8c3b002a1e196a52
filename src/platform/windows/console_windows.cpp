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

// `text` with each lone surrogate of a word that was no valid UTF-16 (see
// argumentText) as '?': the report is UTF-8, on a console as in a file.
std::string withSurrogatesShown(const char* text, std::size_t size) {
    std::string shown(text, size);
    for (std::size_t at = 0; at + 2 < shown.size(); ++at) {
        const auto second = static_cast<unsigned char>(shown[at + 1]);
        const auto third = static_cast<unsigned char>(shown[at + 2]);
        if (static_cast<unsigned char>(shown[at]) == 0xED && second >= 0xA0 && second <= 0xBF && third >= 0x80 &&
            third <= 0xBF) {
            shown.replace(at, 3, 1, '?');
        }
    }
    return shown;
}

}  // namespace

bool isConsole(std::FILE* stream) {
    return consoleOf(stream) != nullptr;
}

void printText(std::FILE* stream, const char* text, std::size_t size) {
    if (size == 0) return;
    const std::string shown = withSurrogatesShown(text, size);
    HANDLE console = consoleOf(stream);
    std::wstring wide;
    if (console != nullptr && windows::toWide(shown, wide)) {
        // What went through the stream before must stay before.
        std::fflush(stream);
        if (writeToConsole(console, wide)) return;
    }
    std::fwrite(shown.data(), 1, shown.size(), stream);
}

}  // namespace platform
