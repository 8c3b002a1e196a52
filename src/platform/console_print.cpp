// Formatting for the console, the same everywhere; each system prints the
// result its own way (printText).
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

}  // namespace platform
