#include "platform/windows/command_line.h"

#include "platform/windows/wide.h"

namespace platform {
namespace windows {

std::string argumentText(const std::wstring& argument) {
    std::string text;
    if (toUtf8(argument.c_str(), text)) return text;
    std::wstring mended(argument);
    for (std::size_t i = 0; i < mended.size(); ++i) {
        const bool high = mended[i] >= 0xD800 && mended[i] <= 0xDBFF;
        const bool low = mended[i] >= 0xDC00 && mended[i] <= 0xDFFF;
        const bool pairedHigh = high && i + 1 < mended.size() && mended[i + 1] >= 0xDC00 && mended[i + 1] <= 0xDFFF;
        if (pairedHigh) {
            ++i;
        } else if (high || low) {
            mended[i] = L'?';
        }
    }
    toUtf8(mended.c_str(), text);
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
