// Everything the tool needs from the operating system. Each platform has its
// own implementation in a folder of its own; nothing else needs to know which
// one it runs on.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// ASCII-only case-insensitive comparisons, as the tool's names need them:
// negative, zero or positive like strcmp.
int compareIgnoreCase(const char* a, const char* b);
int compareIgnoreCaseN(const char* a, const char* b, std::size_t count);

// Lists the entries of the current directory whose names match "*.tga"
// without regard to letter case, in the order the platform's search yields
// them. False when the search cannot be made at all.
bool listTgaEntries(std::vector<std::string>& names);

// The name under which `name` exists in the current directory: the exact
// spelling when such an entry exists, else the first entry equal to it when
// ASCII letter case is ignored, else `name` itself (a file still to be made).
std::string resolveName(const std::string& name);

// Opens an existing file for binary reading after resolving its name.
// Null when it cannot be opened or is not a regular file.
std::FILE* openForReading(const std::string& name);

// Writes a new version of a file beside it and swaps it in atomically.
// Until commit() succeeds the target keeps its previous bytes; a writer that
// is destroyed without a successful commit leaves no temporary file behind.
class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Starts the replacement of `name` (resolved like resolveName).
    bool open(const std::string& name);
    // Appends bytes; false once anything has failed.
    bool write(const void* data, std::size_t size);
    // Flushes, closes and renames the temporary file over the target.
    bool commit();

private:
    void discard();

    std::FILE* stream_ = nullptr;
    std::string target_;
    std::string temporary_;
    bool failed_ = false;
};

// Waits for one key press on the console's own keyboard, without echo and
// without Enter. Returns at once when there is no console to read.
void waitForKey();

}  // namespace platform
