// Scratch folders, files and what this process may do, on Windows, with the
// wide-character functions, so that tests can name files in any script.
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "platform/names.h"
#include "platform/windows/wide.h"
#include "support/temp_dir.h"
#include "support/test_environment.h"

namespace test_support {
namespace {

std::wstring wide(const std::string& utf8) {
    std::wstring result;
    if (!platform::windows::toWide(utf8, result)) throw std::runtime_error("not UTF-8: " + utf8);
    return result;
}

std::string utf8(const std::wstring& wideName) {
    std::string result;
    if (!platform::windows::toUtf8(wideName.c_str(), result)) throw std::runtime_error("not UTF-16");
    return result;
}

std::wstring currentDirectory() {
    std::wstring path(GetCurrentDirectoryW(0, nullptr), L'\0');
    path.resize(GetCurrentDirectoryW(static_cast<DWORD>(path.size()), &path[0]));
    return path;
}

// Every entry of a folder by its long name, "." and ".." left out.
std::vector<std::wstring> entriesOf(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

void removeTree(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // a test may have made it read-only
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        for (const std::wstring& name : entriesOf(path)) removeTree(path + L"\\" + name);
        RemoveDirectoryW(path.c_str());
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
}

}  // namespace

ScopedWorkDir::ScopedWorkDir() {
    previous_ = utf8(currentDirectory());
    wchar_t base[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, base);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
    static unsigned serial = 0;
    std::wstring path;
    for (int attempt = 0;; ++attempt) {
        path = std::wstring(base) + L"bd-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(++serial);
        if (CreateDirectoryW(path.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt == 100) {
            throw std::runtime_error("CreateDirectoryW failed");
        }
    }
    path_ = utf8(path);
    if (!SetCurrentDirectoryW(path.c_str())) throw std::runtime_error("SetCurrentDirectoryW failed");
    platform::forgetDirectory();  // what the tool knew of the last one
}

ScopedWorkDir::~ScopedWorkDir() {
    SetCurrentDirectoryW(wide(previous_).c_str());
    removeTree(wide(path_));
    platform::forgetDirectory();
}

void writeFile(const std::string& name, const Bytes& bytes) {
    HANDLE file = CreateFileW(wide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + name);
    DWORD written = 0;
    bool ok = bytes.empty() ||
              (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size());
    CloseHandle(file);
    if (!ok) throw std::runtime_error("cannot write " + name);
}

Bytes readFile(const std::string& name) {
    HANDLE file = CreateFileW(wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read " + name);
    Bytes bytes;
    std::uint8_t block[65536];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) bytes.insert(bytes.end(), block, block + got);
    CloseHandle(file);
    return bytes;
}

bool makeDirectory(const std::string& name) {
    return CreateDirectoryW(wide(name).c_str(), nullptr) != 0;
}

bool extendSparse(const std::string& name, std::uint64_t size) {
    HANDLE file = CreateFileW(wide(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Without the sparse flag NTFS would reserve the whole size on disk; a
    // file system without sparse files (FAT) refuses the flag.
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

bool fileExists(const std::string& name) {
    return GetFileAttributesW(wide(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> listDirectory() {
    std::vector<std::string> names;
    for (const std::wstring& name : entriesOf(L".")) names.push_back(utf8(name));
    std::sort(names.begin(), names.end());
    return names;
}

std::string sourceRoot() {
    // Under wine the sources are reached through a drive letter: the test
    // script names them, since the path compiled in is the build machine's.
    const char* custom = std::getenv("BD_SOURCE_ROOT");
    return custom != nullptr && *custom != '\0' ? custom : BD_SOURCE_ROOT;
}

std::string readOnlyFolderUnboundReason() {
    return "on Windows a folder's read-only attribute does not stop files being made in it (only an "
           "access-control list does, and wine enforces none)";
}

}  // namespace test_support
