#include "platform/windows/wide.h"

#include <windows.h>

namespace platform {
namespace windows {

bool toWide(const std::string& utf8, std::wstring& wide) {
    wide.clear();
    if (utf8.empty()) return true;
    if (utf8.find('\0') != std::string::npos) return false;
    const int length = static_cast<int>(utf8.size());
    int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (needed <= 0) return false;
    wide.resize(static_cast<std::size_t>(needed));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, &wide[0], needed) == needed;
}

bool toUtf8(const wchar_t* wide, std::string& utf8) {
    utf8.clear();
    if (*wide == L'\0') return true;
    int needed = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return false;
    utf8.resize(static_cast<std::size_t>(needed));
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, &utf8[0], needed, nullptr, nullptr) != needed) {
        return false;
    }
    utf8.resize(static_cast<std::size_t>(needed - 1));  // without the terminator
    return true;
}

}  // namespace windows
}  // namespace platform
