// Names inside the tool are UTF-8; Windows takes them as UTF-16. They are
// converted here, at the boundary, and nowhere else. A conversion never
// guesses: a sequence that is not valid UTF-8 (or UTF-16) is refused, so no
// name is ever mistaken for another.
#pragma once

#include <string>

namespace platform {
namespace windows {

// False when `utf8` is not valid UTF-8 (or holds a NUL).
bool toWide(const std::string& utf8, std::wstring& wide);
// False when `wide` is not valid UTF-16 (an unpaired surrogate).
bool toUtf8(const wchar_t* wide, std::string& utf8);

}  // namespace windows
}  // namespace platform
