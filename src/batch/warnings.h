// The report's warnings (the lines starting "WARN:"), printed and counted:
// a run with arguments tells in its exit status whether it printed any.
#pragma once

#include <cstdio>
#include <string>

// Prints the warning `text` to `console`.
void printWarning(std::FILE* console, const char* text);
// Prints the warning `format` with `name` (a file or a path) as the
// console shows names in place of its one %s.
void printWarning(std::FILE* console, const char* format, const std::string& name);

// Whether any warning has been printed since the program started.
bool anyWarningPrinted();
