// The console: printing to it, and its keyboard.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

// Prints `size` bytes of UTF-8 text to `stream`. On a Windows console the
// text is written as wide characters, so that every name shows as it is
// whatever the system's code page; anywhere else (a file, a pipe, a POSIX
// terminal) the bytes go out as they are. (On Windows a lone surrogate kept
// from an argument that was no valid UTF-16, see commandLineArguments,
// shows as '?' everywhere.)
void printText(std::FILE* stream, const char* text, std::size_t size);
void printText(std::FILE* stream, const char* text);
// Formats as std::fprintf does, then prints the result with printText.
void printFormatted(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
// What std::snprintf makes of `format` and its arguments, as a string.
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether `stream` goes to a terminal or console, rather than to a file or
// a pipe.
bool isConsole(std::FILE* stream);

// `name` as it is to be printed to `stream`. On a terminal or console every
// control character (bytes below 0x20 and 0x7F; the C1 controls, U+0080 to
// U+009F or a lone byte 0x80 to 0x9F; the direction controls, see
// isDirectionControl) shows as '?', as ls shows them: a name must not be
// able to move the cursor, change the terminal's settings, fake a line of
// the report or show as another name. Into a file or a pipe its bytes go as
// they are.
std::string shownName(std::FILE* stream, const std::string& name);

// Whether the UTF-8 character of `length` bytes at `at` of `text` is one of
// the controls that reorder the text around them (U+202A to U+202E and
// U+2066 to U+2069: embeddings, overrides, isolates and their ends), with
// which "Fire<U+202E>gpj.exe.tga" shows as "Fireagt.exe.jpg".
bool isDirectionControl(const std::string& text, std::size_t at, std::size_t length);

// Takes the console's keyboard for the key wait to come: from here on keys
// are read without echo and without Enter, and Ctrl+C is a key like any
// other, so that a key typed while the closing lines are printed is kept
// for the wait rather than echoed or lost. Does nothing where waitForKey
// would not wait.
void prepareKeyWait();

// Waits for one key press on the console's own keyboard, without echo and
// without Enter (preparing the keyboard first when prepareKeyWait was not
// called). Returns at once when there is no console to read, or when the
// program does not own the console's foreground (a background job). When
// standard output does not reach the console (it is redirected to a file or
// a pipe), `prompt` is shown on the console itself first, so that the wait
// is never an unexplained pause. After the key a line end goes to the
// console itself (never to a redirected output), so that the shell's
// prompt starts on a line of its own.
void waitForKey(const char* prompt);

}  // namespace platform
