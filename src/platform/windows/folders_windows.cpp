// The command line and its folders on Windows: '\' and '/' both separate,
// a path may start with a drive letter ("C:\Icons", "C:Icons") or name a
// share ("\\server\share\Icons"). Every path and argument the program
// handles passes through here, so that moving to the system's wide-character
// interfaces changes this file alone.
#include "platform/folders.h"

#include <windows.h>

namespace platform {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool hasDriveLetter(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

const std::string& startingDirectory() {
    static const std::string start = [] {
        std::string directory(MAX_PATH, '\0');
        DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(directory.size()), &directory[0]);
        if (length >= directory.size()) {  // too small: the length asked for counts the terminator
            directory.assign(length, '\0');
            length = GetCurrentDirectoryA(length, &directory[0]);
        }
        directory.resize(length < directory.size() ? length : 0);
        return directory;
    }();
    return start;
}

}  // namespace

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        // The runtime reads \" as a quotation mark, so a quoted folder with a
        // final backslash ("C:\My Icons\", as Windows PowerShell passes it)
        // arrives ending in '"'. No file name can hold that character: it is
        // the backslash the user typed.
        if (argument.size() > 1 && argument.back() == '"') argument.back() = '\\';
        arguments.push_back(argument);
    }
    return arguments;
}

PathKind pathKind(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
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

SplitPath splitPath(const std::string& path) {
    std::string::size_type separator = path.find_last_of("\\/");
    if (separator != std::string::npos) return {path.substr(0, separator + 1), path.substr(separator + 1)};
    // "C:Fire.tga": a file of the current directory of drive C.
    if (hasDriveLetter(path)) return {path.substr(0, 2), path.substr(2)};
    return {std::string(), path};
}

bool enterFolder(const std::string& folder) {
    const std::string& start = startingDirectory();
    bool atStart = !start.empty() && SetCurrentDirectoryA(start.c_str()) != 0;
    if (folder.empty()) return atStart;
    // A path from a drive's or a share's root needs no starting point.
    if (!atStart && !hasDriveLetter(folder) && !isSeparator(folder[0])) return false;
    return SetCurrentDirectoryA(folder.c_str()) != 0;
}

}  // namespace platform
