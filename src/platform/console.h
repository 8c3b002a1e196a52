// The console: printing to it, and its keyboard.
#pragma once

#include <cstddef>
#include <cstdio>

namespace platform {

// Prints `size` bytes of UTF-8 text to `stream`. On a Windows console the
// text is written as wide characters, so that every name shows as it is
// whatever the system's code page; anywhere else (a file, a pipe, a POSIX
// terminal) the bytes go out as they are.
void printText(std::FILE* stream, const char* text, std::size_t size);
void printText(std::FILE* stream, const char* text);
// Formats as std::fprintf does, then prints the result with printText.
void printFormatted(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Waits for one key press on the console's own keyboard, without echo and
// without Enter. Returns at once when there is no console to read, or when
// the program does not own the console's foreground (a background job).
// When standard output does not reach the console (it is redirected to a
// file or a pipe), `prompt` is shown on the console itself first, so that
// the wait is never an unexplained pause.
void waitForKey(const char* prompt);

}  // namespace platform
