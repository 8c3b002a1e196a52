// Formatting for the console, the same everywhere; each system prints the
// result its own way (printText).
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>

#include "platform/console.h"

namespace platform {

void printText(std::FILE* stream, const char* text) {
    printText(stream, text, std::strlen(text));
}

void printFormatted(std::FILE* stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (length > 0) {
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(&text[0], text.size(), format, again);
        printText(stream, text.data(), static_cast<std::size_t>(length));
    }
    va_end(again);
}

std::string shownName(std::FILE* stream, const std::string& name) {
    const auto isControl = [](char byte) {
        const unsigned char value = static_cast<unsigned char>(byte);
        return value < 0x20 || value == 0x7F;
    };
    if (std::none_of(name.begin(), name.end(), isControl) || !isConsole(stream)) return name;
    std::string shown = name;
    std::replace_if(shown.begin(), shown.end(), isControl, '?');
    return shown;
}

}  // namespace platform
