// Reading the command line on Windows: into words as the program's users
// mean them, and each word into UTF-8.
#pragma once

#include <string>
#include <vector>

namespace platform {
namespace windows {

// Splits a command line into words: blanks separate words outside double
// quotes; a double quote begins or ends a quoted part and is never part of a
// word (no file name can hold one), so a backslash is always a backslash.
// The C runtime's reading takes \" for a quotation mark instead, and Windows
// PowerShell passes a quoted folder with a final backslash ("C:\My Icons\")
// just so: that folder and the next argument would run into one. The first
// word is the program's own name.
std::vector<std::wstring> splitCommandLine(const wchar_t* line);

// A word as UTF-8. A word that is not valid UTF-16 (an unpaired surrogate,
// which NTFS names may hold) cannot be given its exact name in UTF-8: each
// lone surrogate is kept as the three bytes UTF-8 would give it were it a
// character (ED A0..BF 80..BF). No conversion to UTF-16 takes those, so the
// word names no file and is no wildcard pattern (a path not found), and the
// report shows each as '?' (see printText).
std::string argumentText(const std::wstring& word);

}  // namespace windows
}  // namespace platform
