// The command line and its folders on Windows: '\' and '/' both separate,
// a path may start with a drive letter ("C:\Icons", "C:Icons") or name a
// share ("\\server\share\Icons"). Arguments and paths are UTF-8 inside the
// program; the command line is read, and every path handed to the system,
// in UTF-16, so that no name in any script is mistaken for another.
#include "platform/folders.h"

#include <windows.h>

#include "platform/folder.h"
#include "platform/windows/command_line.h"
#include "platform/windows/folder_path.h"
#include "platform/windows/wide.h"

namespace platform {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool hasDriveLetter(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// Whether `name` matches the wildcard pattern `pattern` ('*' any run of
// characters, '?' any one), letters compared as the file system compares
// them. As on Windows, a final ".*" also matches a name without a dot:
// "*.*" is every name.
bool matchesPattern(const wchar_t* pattern, const wchar_t* name) {
    const wchar_t* afterStar = nullptr;  // where the last '*' seen ends ...
    const wchar_t* starTook = nullptr;   // ... and where what it takes ends
    while (*name != L'\0') {
        if (*pattern == L'*') {
            afterStar = ++pattern;
            starTook = name;
        } else if (*pattern == L'?' ||
                   (*pattern != L'\0' && CompareStringOrdinal(pattern, 1, name, 1, TRUE) == CSTR_EQUAL)) {
            ++pattern;
            ++name;
        } else if (afterStar != nullptr) {
            pattern = afterStar;  // the last '*' takes one character more
            name = ++starTook;
        } else {
            return false;
        }
    }
    if (pattern[0] == L'.' && pattern[1] == L'*') ++pattern;
    while (*pattern == L'*') ++pattern;
    return *pattern == L'\0';
}

// The full path Windows makes of `path` when it opens it (GetFullPathNameW):
// from the current directory, with "." and ".." taken, and without the
// spaces and dots that end its last part.
bool systemReading(std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return false;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return false;
    full.resize(length);
    path = full;
    return true;
}

}  // namespace

Folder::Folder() : state_(new State) {}

Folder::~Folder() = default;

bool Folder::open(const std::string& path) {
    std::wstring wide;
    if (!windows::toWide(path, wide)) return false;
    // Opened for what entering it would need (traverse), as a check only:
    // its files are named by the path from then on.
    HANDLE handle = CreateFileW(wide.empty() ? L"." : wide.c_str(), FILE_TRAVERSE | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool folder = GetFileInformationByHandle(handle, &info) != 0 &&
                        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    CloseHandle(handle);
    if (!folder) return false;
    // Its files are named from the path as Windows read it: a folder given
    // as "C:\Icons ", "C:\Icons.." or "C:\Icons. ." is C:\Icons, where
    // "C:\Icons \Fire.tga" would name nothing.
    if (!wide.empty()) {
        if (!systemReading(wide)) return false;
        if (wide.back() != L'\\' && wide.back() != L'/') wide += L'\\';
    }
    state_->prefix = wide;
    return true;
}

void Folder::forget() {
    // Nothing is kept: every lookup asks the file system.
}

Folder& currentFolder() {
    static Folder current;
    return current;
}

namespace windows {

bool pathIn(const Folder& folder, const std::string& name, std::wstring& path) {
    if (!toWide(name, path)) return false;
    path.insert(0, folder.state().prefix);
    return true;
}

}  // namespace windows

std::vector<std::string> pathsMatching(const std::string& path) {
    const SplitPath split = splitPath(path);
    std::wstring widePath, pattern;
    if (split.name.find_first_of("*?") == std::string::npos || !windows::toWide(path, widePath) ||
        !windows::toWide(split.name, pattern)) {
        return {path};
    }
    std::vector<std::string> matches;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileExW(widePath.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            // The search also matches short 8.3 aliases ("*.tga" finds
            // "Fire.tgaX" through "FIRE~1.TGA"): only a long name that itself
            // matches counts, as on any other system.
            const std::wstring name = entry.cFileName;
            std::string found;
            if (name != L"." && name != L".." && matchesPattern(pattern.c_str(), name.c_str()) &&
                windows::toUtf8(name.c_str(), found)) {
                matches.push_back(split.folder + found);
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    if (matches.empty()) matches.push_back(path);
    return matches;
}

std::vector<std::string> commandLineArguments(int, char**) {
    // The narrow argv has been through the system's code page, which maps
    // names outside it to others: the command line is read in UTF-16.
    std::vector<std::wstring> words = windows::splitCommandLine(GetCommandLineW());
    std::vector<std::string> arguments;
    for (std::size_t i = 1; i < words.size(); ++i) arguments.push_back(windows::argumentText(words[i]));
    return arguments;
}

PathKind pathKind(const std::string& path) {
    std::wstring wide;
    if (!windows::toWide(path, wide)) return PathKind::Missing;
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        switch (GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_NAME:  // wildcards or a misplaced ':' name nothing
            case ERROR_INVALID_DRIVE:
            case ERROR_BAD_NETPATH:   // no such server
            case ERROR_BAD_NET_NAME:  // no such share
                return PathKind::Missing;
            default:
                return PathKind::Inaccessible;
        }
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::Folder : PathKind::File;
}

std::string identityOf(const std::string& path) {
    std::wstring wide;
    if (!windows::toWide(path.empty() ? "." : path, wide)) return std::string();
    // No access asked for: attributes only, for a folder as for a file.
    HANDLE handle = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::string();
    BY_HANDLE_FILE_INFORMATION info;
    bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) return std::string();
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
           std::to_string(info.nFileIndexLow);
}

SplitPath splitPath(const std::string& path) {
    std::string::size_type separator = path.find_last_of("\\/");
    if (separator != std::string::npos) return {path.substr(0, separator + 1), path.substr(separator + 1)};
    // "C:Fire.tga": a file of the current directory of drive C.
    if (hasDriveLetter(path)) return {path.substr(0, 2), path.substr(2)};
    return {std::string(), path};
}

std::string trimmedPath(const std::string& path) {
    std::string trimmed = path;
    for (std::string::size_type before = std::string::npos; before != trimmed.size();) {
        before = trimmed.size();
        while (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
        // "." and ".." are names of their own, not names with dots dropped.
        const std::string name = trimmed.substr(trimmed.find_last_of("\\/:") + 1);
        if (name.find_first_not_of('.') == std::string::npos) break;
        while (!trimmed.empty() && (trimmed.back() == '.' || trimmed.back() == ' ')) trimmed.pop_back();
    }
    return trimmed;
}

std::string pathInFolder(const std::string& folder, const std::string& name) {
    // "C:" is the current directory of drive C: a name follows it directly.
    if (folder.empty() || isSeparator(folder.back()) || (folder.size() == 2 && hasDriveLetter(folder))) {
        return folder + name;
    }
    return folder + '\\' + name;
}

bool makeFolder(const std::string& path) {
    if (pathKind(path) == PathKind::Folder) return true;
    std::wstring wide;
    if (!windows::toWide(path, wide)) return false;
    // Each folder on the way, then the folder itself; a drive or a share
    // cannot be made, and whatever else cannot shows in the end.
    for (std::wstring::size_type at = wide.find_first_of(L"\\/", 1); at != std::wstring::npos;
         at = wide.find_first_of(L"\\/", at + 1)) {
        CreateDirectoryW(wide.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryW(wide.c_str(), nullptr);
    return pathKind(path) == PathKind::Folder;
}

std::string programFolder() {
    // The buffer grows until the whole path fits (the longest path Windows
    // has is 32767 characters): a path cut short at its end is no path.
    for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
        std::wstring wide(size, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, &wide[0], size);
        if (length == 0) break;
        if (length < size) {
            wide.resize(length);
            std::string path;
            return windows::toUtf8(wide.c_str(), path) ? splitPath(path).folder : std::string();
        }
    }
    return std::string();
}

std::string installPrefixOf(const std::string&) {
    // A Windows program keeps its files beside it: a folder above it ("C:\",
    // or a drive's current folder for a program at its root) is anyone's.
    return std::string();
}

bool onlyRootAndYouMayChange(Folder&, const std::string&) {
    return true;
}

}  // namespace platform
