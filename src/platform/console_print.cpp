// Formatting for the console, the same everywhere; each system prints the
// result its own way (printText).
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/console.h"

namespace platform {

void printText(std::FILE* stream, const char* text) {
    printText(stream, text, std::strlen(text));
}

namespace {

std::string formattedFrom(const char* format, std::va_list arguments) {
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    std::string text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, again);
    va_end(again);
    text.pop_back();
    return text;
}

}  // namespace

std::string formatted(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::string text = formattedFrom(format, arguments);
    va_end(arguments);
    return text;
}

void printFormatted(std::FILE* stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const std::string text = formattedFrom(format, arguments);
    va_end(arguments);
    if (!text.empty()) printText(stream, text.data(), text.size());
}

namespace {

// How many bytes of `text` from `at` on form one well-formed UTF-8
// character of several bytes; 0 when they form none.
std::size_t multiByteCharacterAt(const std::string& text, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4                             ? 4
                                                                                          : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

// C0 controls, DEL, and the C1 controls as single bytes (CSI is 0x9B on an
// eight-bit terminal).
bool isControlByte(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte <= 0x9F);
}

}  // namespace

bool isDirectionControl(const std::string& text, std::size_t at, std::size_t length) {
    if (length != 3 || at + length > text.size()) return false;
    const std::uint32_t code = (static_cast<unsigned char>(text[at]) & 0x0Fu) << 12 |
                               (static_cast<unsigned char>(text[at + 1]) & 0x3Fu) << 6 |
                               (static_cast<unsigned char>(text[at + 2]) & 0x3Fu);
    return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

std::string shownName(std::FILE* stream, const std::string& name) {
    if (!isConsole(stream)) return name;
    // Each control shows as one '?', as ls shows them: a C1 control written
    // as a UTF-8 character (U+0080 to U+009F) as well as a lone byte, and a
    // direction control. Every other character, and every other byte, as it
    // is.
    std::string shown;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = multiByteCharacterAt(name, at);
        const bool c1Character = length == 2 && static_cast<unsigned char>(name[at]) == 0xC2 &&
                                 static_cast<unsigned char>(name[at + 1]) < 0xA0;
        if (c1Character || isDirectionControl(name, at, length)) {
            shown += '?';
            at += length;
        } else if (length == 0 && isControlByte(static_cast<unsigned char>(name[at]))) {
            shown += '?';
            ++at;
        } else {
            const std::size_t take = length == 0 ? 1 : length;
            shown.append(name, at, take);
            at += take;
        }
    }
    return shown;
}

}  // namespace platform
