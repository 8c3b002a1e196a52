// Reading and replacing files on Windows, with the wide-character functions
// (names are converted at this boundary only). A file is read with one
// CreateFileW, one size query, a look at its access-control list, one
// ReadFile per gigabyte and CloseHandle; a replacement is CreateFileW, one
// WriteFile, CloseHandle and MoveFileExW, plus a lookup of the target and,
// for an icon's own rewrite, the copy of what it keeps (attributes,
// creation time, access-control list). An open, a creation, a rename or a
// removal that another program holds off for a moment is tried again
// (held_files.h).
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/file_faults.h"
#include "platform/files.h"
#include "platform/replacement_steps.h"
#include "platform/windows/access_lists.h"
#include "platform/windows/folder_path.h"
#include "platform/windows/held_files.h"
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

// What a replacement keeps of the file it replaces, besides its access-
// control list and creation time: how Explorer shows it.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::wstring temporaryNameFor(unsigned serial) {
    // Never ends in ".tga", so no search for icons can take it for one.
    static const std::wstring prefix = L"button-disabler-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    return prefix + std::to_wstring(serial) + L".tmp";
}

}  // namespace

namespace {

// Who may read a file, as Readers says it on Windows.
constexpr std::uint32_t kReadableByAll = 0644;
constexpr std::uint32_t kNotReadableByAll = 0600;
constexpr std::uint32_t kOthersRead = 0004;

// The list a file the run makes gets (every file but an icon's own
// rewrite): its folder's inherited one, as any new file's, unless it shows
// a picture not every user may read; then only its maker, SYSTEM and the
// Administrators may open it. False when that list cannot be made.
bool newFileAccess(const std::vector<Readers>& shown, std::vector<std::uint8_t>& access) {
    const bool everyone = std::all_of(shown.begin(), shown.end(), [](const Readers& picture) {
        return !picture.known || (picture.mode & kOthersRead) != 0;
    });
    access = everyone ? std::vector<std::uint8_t>() : windows::privateAccess();
    return everyone || !access.empty();
}

// What identifies an open file: its volume and its index there.
bool identityOfOpenFile(HANDLE file, std::uint64_t& volume, std::uint64_t& index) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return false;
    volume = info.dwVolumeSerialNumber;
    index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

// Whether the entry `path` is the very file `read` was read from (not
// another file of that name swapped in since, nor a link to it).
bool isFileRead(const std::wstring& path, const Readers& read) {
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::uint64_t volume = 0, index = 0;
    const bool same = identityOfOpenFile(file, volume, index) && volume == read.device && index == read.inode;
    CloseHandle(file);
    return same;
}

}  // namespace

InputFile::~InputFile() {
    if (handle_ != kNoHandle) CloseHandle(handleOf(handle_));
}

bool InputFile::open(Folder& folder, const std::string& name) {
    if (shouldFail(FileOp::Open)) return false;
    std::wstring wide;
    if (!windows::pathIn(folder, name, wide)) return false;
    // Without backup semantics a directory cannot be opened at all; the type
    // check refuses devices ("con.tga" names the console), whose reads could
    // block the run.
    HANDLE file = INVALID_HANDLE_VALUE;
    windows::retryWhileHeld(folder, wide, [&]() -> DWORD {
        file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    });
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return false;
    }
    handle_ = reinterpret_cast<FileHandle>(file);
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    readers_.known = true;
    readers_.mode = windows::readableByAll(file) ? kReadableByAll : kNotReadableByAll;
    if (!identityOfOpenFile(file, readers_.device, readers_.inode)) readers_.device = readers_.inode = 0;
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

// The access-control list of an existing file, as a self-relative security
// descriptor; empty when it cannot be read (the new version then takes its
// folder's, as a new file would).
std::vector<std::uint8_t> accessOf(const std::wstring& name) {
    DWORD needed = 0;
    GetFileSecurityW(name.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<std::uint8_t> descriptor(needed);
    if (needed == 0 || !GetFileSecurityW(name.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed)) {
        descriptor.clear();
    }
    return descriptor;
}

// A folder's read-only attribute only marks it for Explorer.
bool folderTakesFiles(Folder&) {
    return true;
}

bool chooseTarget(Folder& folder, const std::string& name, const MadeFrom& from, ReplacementTarget& target) {
    target = ReplacementTarget();
    target.folder = &folder;
    target.name = name;
    target.from = from;
    const Made made = from.made;
    // The page's list waits for what it comes to show.
    if (made != Made::ShowsLater && !newFileAccess(from.shown, target.access)) return false;
    std::wstring wideName;
    if (!windows::toWide(name, wideName)) return false;
    const std::wstring wide = folder.state().prefix + wideName;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileExW(wide.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return true;  // a new file
    FindClose(search);
    // A name that is another file's short 8.3 alias ("DISFIR~1.TGA") reaches
    // that file: writing it would replace a file of another name. Any other
    // name found is this one in the letter case the file system ignores,
    // in any script ("DISжар.tga" for "DISЖар.tga"), and is compared as the
    // file system compares names.
    std::string found;
    if (CompareStringOrdinal(entry.cFileName, -1, wideName.c_str(), -1, TRUE) != CSTR_EQUAL ||
        !windows::toUtf8(entry.cFileName, found)) {
        return false;
    }
    target.name = found;  // the spelling the file has
    const DWORD attributes = entry.dwFileAttributes;
    // A file its owner made read-only stays as it is; a directory can never
    // be replaced. A symbolic link is replaced, never written through.
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return false;
    target.isRegular = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    // An icon's own rewrite keeps what its file has: how Explorer shows it,
    // when it was made, who may open it; only the very file read does, not
    // another swapped in under its name since.
    const bool fileRead = from.shown.empty() || !from.shown[0].known || isFileRead(wide, from.shown[0]);
    if (target.isRegular && made == Made::Rewrite && fileRead) {
        target.attributes = attributes & kKeptAttributes;
        target.creationTime = (std::uint64_t{entry.ftCreationTime.dwHighDateTime} << 32) |
                              entry.ftCreationTime.dwLowDateTime;
        target.access = accessOf(wide);
    }
    return true;
}

FileHandle createTemporaryBeside(const ReplacementTarget& target, std::string& temporary) {
    static unsigned serial = 0;
    std::vector<std::uint8_t> descriptor = target.access;
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.data(), FALSE};
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring name;
    std::wstring wide;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        // In the target's folder, by a path the console handler can use too.
        name = temporaryNameFor(++serial);
        wide = target.folder->state().prefix + name;
        const DWORD error = windows::retryWhileHeld(*target.folder, wide, [&]() -> DWORD {
            windows::UninterruptedStep step;
            windows::addPendingTemporary(wide);
            // Shared for deletion only, so that the console handler can
            // remove it while it is still open, and nobody else can read it
            // meanwhile. Made with the list it will have, if not its
            // folder's. Plain until it is swapped in: a temporary left by a
            // killed run is never hidden.
            file = CreateFileW(wide.c_str(), GENERIC_WRITE | WRITE_DAC, FILE_SHARE_DELETE,
                               target.access.empty() ? nullptr : &security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
            if (file != INVALID_HANDLE_VALUE) return ERROR_SUCCESS;
            const DWORD failure = GetLastError();
            windows::forgetPendingTemporary(wide);
            return failure;
        });
        if (file == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE || !windows::toUtf8(name.c_str(), temporary)) {
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            windows::UninterruptedStep step;
            DeleteFileW(wide.c_str());
            windows::forgetPendingTemporary(wide);
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

bool finish(FileHandle handle, ReplacementTarget& target) {
    // The page, once complete, gets the list of what it came to show. A
    // list that cannot be given fails it.
    if (target.from.made == Made::ShowsLater) {
        if (!newFileAccess(target.from.shown, target.access)) return false;
        if (!target.access.empty() &&
            !SetKernelObjectSecurity(handleOf(handle), DACL_SECURITY_INFORMATION, target.access.data())) {
            return false;
        }
    }
    if (target.from.made != Made::Rewrite || !target.isRegular) return true;
    // What Windows users expect a rewritten file to keep: when it was made.
    FILETIME created;
    created.dwLowDateTime = static_cast<DWORD>(target.creationTime);
    created.dwHighDateTime = static_cast<DWORD>(target.creationTime >> 32);
    SetFileTime(handleOf(handle), &created, nullptr, nullptr);
    return true;
}

bool close(FileHandle handle) {
    return CloseHandle(handleOf(handle)) != 0;
}

bool swapIn(const std::string& temporary, const ReplacementTarget& target) {
    std::wstring from;
    std::wstring to;
    if (!windows::pathIn(*target.folder, temporary, from) || !windows::pathIn(*target.folder, target.name, to)) {
        return false;
    }
    // Not cut in two by Ctrl+C. One rename that replaces the target: the
    // target is either the old file or the new one at every moment (as
    // rename(2) under wine; ReplaceFileW, which wine does in steps, could
    // lose the old file midway).
    // Tried again while another program holds either file.
    return windows::retryWhileHeld(*target.folder, to, [&]() -> DWORD {
        windows::UninterruptedStep step;
        if (target.attributes != 0) SetFileAttributesW(from.c_str(), target.attributes);
        if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return GetLastError();
        windows::forgetPendingTemporary(from);
        return ERROR_SUCCESS;
    }) == ERROR_SUCCESS;
}

void removeTemporary(const ReplacementTarget& target, const std::string& temporary) {
    std::wstring wide;
    if (!windows::pathIn(*target.folder, temporary, wide)) return;
    windows::retryWhileHeld(*target.folder, wide, [&]() -> DWORD {
        windows::UninterruptedStep step;
        return DeleteFileW(wide.c_str()) ? ERROR_SUCCESS : GetLastError();
    });
    windows::UninterruptedStep step;
    windows::forgetPendingTemporary(wide);
}

}  // namespace replacement
}  // namespace platform
