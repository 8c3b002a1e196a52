// File names on Windows, the system the tool is made for.
//
// The file system ignores letter case by itself, so names need no index: a
// single lookup tells the spelling an existing entry has.
#include <windows.h>

#include "platform/names.h"
#include "platform/windows/folder_path.h"
#include "platform/windows/wide.h"

namespace platform {
namespace {

// Wildcards (the search also takes < > and " as such) are no part of any
// file name; looking them up would match other files.
bool hasWildcard(const std::wstring& name) {
    return name.find_first_of(L"*?<>\"") != std::wstring::npos;
}

// Bytes that are no UTF-8 name no Windows file: such a name sorts after
// all others, byte by byte among its kind, so that the order stays one.
int compareBytes(const std::string& a, const std::string& b) {
    const int difference = a.compare(b);
    return difference < 0 ? -1 : difference > 0 ? 1 : 0;
}

// The first `count` bytes of `text`, or all of it when it is shorter.
std::string prefixOf(const char* text, std::size_t count) {
    std::size_t length = 0;
    while (length < count && text[length] != '\0') ++length;
    return std::string(text, length);
}

}  // namespace

int compareIgnoreCase(const char* a, const char* b) {
    // As NTFS compares names: code unit by code unit, each in upper case
    // by the system's table.
    const std::string first(a), second(b);
    std::wstring wideFirst, wideSecond;
    const bool firstValid = windows::toWide(first, wideFirst), secondValid = windows::toWide(second, wideSecond);
    if (firstValid != secondValid) return firstValid ? -1 : 1;
    if (!firstValid) return compareBytes(first, second);
    return CompareStringOrdinal(wideFirst.c_str(), static_cast<int>(wideFirst.size()), wideSecond.c_str(),
                                static_cast<int>(wideSecond.size()), TRUE) -
           CSTR_EQUAL;
}

int compareIgnoreCaseN(const char* a, const char* b, std::size_t count) {
    return compareIgnoreCase(prefixOf(a, count).c_str(), prefixOf(b, count).c_str());
}

namespace {

// The entries of `folder` that the search for "*" + `extension` yields.
bool listMatching(Folder& folder, const wchar_t* extension, bool (*ends)(const std::string&),
                  std::vector<std::string>& names) {
    const std::wstring pattern = folder.state().prefix + L"*" + extension;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // no match: empty
    bool complete = true;
    do {
        // The search also matches 8.3 short aliases ("Fire.tgaX" through
        // "FIRE~1.TGA"): only a long name that itself ends in the extension
        // counts, as on any other system. A name that is not valid UTF-16
        // cannot be named to the rest of the tool at all.
        std::string name;
        if (windows::toUtf8(entry.cFileName, name) && ends(name)) names.push_back(name);
    } while (FindNextFileW(search, &entry));
    // The search ends with ERROR_NO_MORE_FILES; anything else broke it off.
    if (GetLastError() != ERROR_NO_MORE_FILES) complete = false;
    FindClose(search);
    return complete;
}

}  // namespace

bool listTgaEntries(Folder& folder, std::vector<std::string>& names, bool alsoPng) {
    return listMatching(folder, L".tga", hasTgaExtension, names) &&
           (!alsoPng || listMatching(folder, L".png", hasPngExtension, names));
}

namespace {

// The entry of `folder` that `name` finds, letter case aside (and through
// a short 8.3 alias); false when there is none.
bool findEntry(Folder& folder, const std::string& name, WIN32_FIND_DATAW& entry) {
    std::wstring wide;
    if (name.empty() || !windows::toWide(name, wide) || hasWildcard(wide)) return false;
    wide.insert(0, folder.state().prefix);
    HANDLE search = FindFirstFileExW(wide.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

}  // namespace

std::string resolveName(Folder& folder, const std::string& name) {
    WIN32_FIND_DATAW entry;
    if (!findEntry(folder, name, entry)) return name;
    // The long name, also for a file named by its short 8.3 alias
    // ("FIRE~1.TGA"): the rules about names are meant for the long one.
    std::string found;
    return windows::toUtf8(entry.cFileName, found) ? found : name;
}

bool entryExists(Folder& folder, const std::string& name) {
    WIN32_FIND_DATAW entry;
    return findEntry(folder, name, entry);
}

bool isFolderIn(Folder& folder, const std::string& name) {
    std::wstring wide;
    if (!windows::pathIn(folder, name, wide)) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace platform
