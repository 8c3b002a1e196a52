#include "platform/windows/command_line.h"

#include <cstdint>

#include "platform/windows/wide.h"

namespace platform {
namespace windows {

namespace {

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Appends the UTF-8 form of `code`, a surrogate's too.
void appendUtf8(std::uint32_t code, std::string& text) {
    if (code < 0x80) {
        text += static_cast<char>(code);
        return;
    }
    const int continuations = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    static const unsigned char kLeads[] = {0, 0xC0, 0xE0, 0xF0};
    text += static_cast<char>(kLeads[continuations] | (code >> (6 * continuations)));
    for (int k = continuations - 1; k >= 0; --k) text += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
}

}  // namespace

std::string argumentText(const std::wstring& argument) {
    std::string text;
    if (toUtf8(argument.c_str(), text)) return text;
    text.clear();
    for (std::size_t i = 0; i < argument.size(); ++i) {
        std::uint32_t code = argument[i];
        if (isHighSurrogate(argument[i]) && i + 1 < argument.size() && isLowSurrogate(argument[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (argument[i + 1] - 0xDC00u);
            ++i;
        }
        appendUtf8(code, text);
    }
    return text;
}

std::vector<std::wstring> splitCommandLine(const wchar_t* line) {
    std::vector<std::wstring> words;
    std::wstring word;
    bool inWord = false;
    bool quoted = false;
    for (const wchar_t* at = line; *at != L'\0'; ++at) {
        if (*at == L'"') {
            quoted = !quoted;
            inWord = true;  // "" is an empty word
        } else if (!quoted && (*at == L' ' || *at == L'\t')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += *at;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace windows
}  // namespace platform
