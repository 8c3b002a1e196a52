// Reading and replacing files on Windows, with the wide-character functions
// (names are converted at this boundary only). A file is read with one
// CreateFileW, one size query, one ReadFile per gigabyte and CloseHandle; a
// replacement is CreateFileW, one WriteFile, CloseHandle and one ReplaceFileW
// or MoveFileExW, plus a lookup of the target.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/file_faults.h"
#include "platform/files.h"
#include "platform/names.h"
#include "platform/replacement_steps.h"
#include "platform/windows/pending.h"
#include "platform/windows/wide.h"

namespace platform {
namespace {

HANDLE handleOf(FileHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// ReadFile and WriteFile move at most this much per call.
constexpr DWORD kLargestTransfer = 1u << 30;

// Pieces that together stay below this go out in one WriteFile, copied
// behind each other; larger ones are written one after the other.
constexpr std::size_t kCombinedWriteLimit = 256 * 1024;

bool writeWhole(HANDLE file, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        DWORD written = 0;
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, kLargestTransfer));
        if (!WriteFile(file, at, want, &written, nullptr) || written == 0) return false;
        at += written;
        size -= written;
    }
    return true;
}

// The full path of a name in the current directory: ReplaceFileW under wine
// takes nothing less. Computed from the current directory, without asking
// the file system.
std::wstring fullPath(const std::wstring& name) {
    DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return name;
    std::wstring path(needed, L'\0');
    DWORD length = GetFullPathNameW(name.c_str(), needed, &path[0], nullptr);
    if (length == 0 || length >= needed) return name;
    path.resize(length);
    return path;
}

// What a replacement keeps of the file it replaces, besides its security
// descriptor and creation time (which ReplaceFileW keeps): how Explorer
// shows it. ReplaceFileW keeps the replacement's own attributes under wine,
// so the temporary file is made with them.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::wstring temporaryNameFor(unsigned serial) {
    // Never ends in ".tga", so no search for icons can take it for one.
    static const std::wstring prefix = L"button-disabler-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    return prefix + std::to_wstring(serial) + L".tmp";
}

}  // namespace

InputFile::~InputFile() {
    if (handle_ != kNoHandle) CloseHandle(handleOf(handle_));
}

bool InputFile::open(const std::string& name) {
    if (shouldFail(FileOp::Open)) return false;
    std::wstring wide;
    if (!windows::toWide(name, wide)) return false;
    // Without backup semantics a directory cannot be opened at all; the type
    // check refuses devices ("con.tga" names the console), whose reads could
    // block the run.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return false;
    }
    handle_ = reinterpret_cast<FileHandle>(file);
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

std::size_t InputFile::read(void* first, std::size_t firstSize, void* second, std::size_t secondSize) {
    if (handle_ == kNoHandle) return 0;
    std::size_t total = 0;
    for (auto part : {std::make_pair(static_cast<char*>(first), firstSize),
                      std::make_pair(static_cast<char*>(second), secondSize)}) {
        for (std::size_t done = 0; done < part.second;) {
            DWORD got = 0;
            DWORD want = static_cast<DWORD>(std::min<std::size_t>(part.second - done, kLargestTransfer));
            if (!ReadFile(handleOf(handle_), part.first + done, want, &got, nullptr) || got == 0) return total;
            done += got;
            total += got;
        }
    }
    return total;
}

namespace replacement {

// A new file takes the folder's inherited security descriptor, as every
// new file does on Windows: `newFileLike` is not needed.
bool chooseTarget(const std::string& name, const std::string&, ReplacementTarget& target) {
    target = ReplacementTarget();
    target.name = name;
    std::wstring wide;
    if (!windows::toWide(name, wide)) return false;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileExW(wide.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return true;  // a new file
    FindClose(search);
    std::string found;
    // The spelling the file has, unless the match came through its short alias.
    if (windows::toUtf8(entry.cFileName, found) && compareIgnoreCase(found.c_str(), name.c_str()) == 0) {
        target.name = found;
    }
    target.exists = true;
    const DWORD attributes = entry.dwFileAttributes;
    // A file its owner made read-only stays as it is; a directory can never
    // be replaced. A symbolic link is replaced, never written through.
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return false;
    target.isRegular = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    target.attributes = attributes & kKeptAttributes;
    // A file another program holds open without sharing deletion (an image
    // viewer, the game) cannot be replaced until it lets go: asking first
    // spares writing a temporary in vain, and wine's ReplaceFileW, which
    // leaves an empty "rf*.tmp" file behind when it fails.
    if (target.isRegular) {
        std::wstring path;
        if (!windows::toWide(target.name, path)) return false;
        HANDLE probe = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
            target.exists = target.isRegular = false;  // gone meanwhile: made anew
            return true;
        }
        CloseHandle(probe);
    }
    return true;
}

FileHandle createTemporaryBeside(const ReplacementTarget& target, std::string& temporary) {
    static unsigned serial = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring wide;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        // Names carry no directory part: the target is in the current folder.
        wide = temporaryNameFor(++serial);
        windows::UninterruptedStep step;
        windows::setPendingTemporary(wide);
        // Shared for deletion only, so that the console handler can remove
        // it while it is still open.
        file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           target.attributes != 0 ? target.attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = GetLastError();
        if (file == INVALID_HANDLE_VALUE) windows::setPendingTemporary(std::wstring());
        if (file == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE || !windows::toUtf8(wide.c_str(), temporary)) {
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            windows::UninterruptedStep step;
            DeleteFileW(wide.c_str());
            windows::setPendingTemporary(std::wstring());
        }
        temporary.clear();
        return kNoHandle;
    }
    return reinterpret_cast<FileHandle>(file);
}

bool writeAll(FileHandle handle, const void* first, std::size_t firstSize, const void* second,
              std::size_t secondSize) {
    HANDLE file = handleOf(handle);
    if (firstSize > 0 && secondSize > 0 && firstSize + secondSize <= kCombinedWriteLimit) {
        // One WriteFile for a header and a small picture: a copy of a few
        // kilobytes costs less than a second call.
        static std::vector<char> combined;
        combined.resize(firstSize + secondSize);
        std::memcpy(combined.data(), first, firstSize);
        std::memcpy(combined.data() + firstSize, second, secondSize);
        return writeWhole(file, combined.data(), combined.size());
    }
    return writeWhole(file, first, firstSize) && writeWhole(file, second, secondSize);
}

bool keepOwnerAndMode(FileHandle, const ReplacementTarget&) {
    // What the new version keeps, ReplaceFileW gives it, and the attributes
    // it was created with.
    return true;
}

bool close(FileHandle handle) {
    return CloseHandle(handleOf(handle)) != 0;
}

bool swapIn(const std::string& temporary, const ReplacementTarget& target) {
    std::wstring from;
    std::wstring to;
    if (!windows::toWide(temporary, from) || !windows::toWide(target.name, to)) return false;
    // Not cut in two by Ctrl+C: ReplaceFileW under wine moves the old file
    // aside before it moves the new one in.
    windows::UninterruptedStep step;
    // An existing file's replacement keeps what Windows users expect it to
    // keep: attributes (hidden, system, archive), security descriptor and
    // creation time. A new file, or a link, is simply renamed into place.
    bool swapped = target.isRegular ? ReplaceFileW(fullPath(to).c_str(), fullPath(from).c_str(), nullptr,
                                                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                                    : MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (swapped) windows::setPendingTemporary(std::wstring());
    return swapped;
}

void removeTemporary(const std::string& temporary) {
    std::wstring wide;
    windows::UninterruptedStep step;
    if (windows::toWide(temporary, wide)) DeleteFileW(wide.c_str());
    windows::setPendingTemporary(std::wstring());
}

}  // namespace replacement
}  // namespace platform
