// The command line and the folders it names: decoding the arguments, telling
// folders from files, splitting a path into its folder and its name, and
// making a folder. Each operating system has its own
// implementation (posix/folders_posix.cpp, windows/folders_windows.cpp), so
// that separators, drive letters and the encoding of arguments are known
// here alone.
#pragma once

#include <string>
#include <vector>

#include "platform/folder.h"

namespace platform {

// The program's arguments, its own name left out: the bytes as given on
// POSIX systems; on Windows the command line's words as its users mean
// them, a word that is no valid UTF-16 kept so that it names no file and is
// no pattern (see windows/command_line.h).
std::vector<std::string> commandLineArguments(int argc, char** argv);

// What a path given on the command line stands for. A Windows command
// prompt leaves wildcards to the program: there, a path whose last part
// holds '*' or '?' (and that names a file at all) stands for the entries of its folder whose long names
// match that part ("." and ".." aside), in no particular order, or for
// itself when none does (and is then not found). Elsewhere the shell has
// expanded them already, and every path stands for itself.
std::vector<std::string> pathsMatching(const std::string& path);

enum class PathKind {
    Folder,        // a directory, or a link to one
    File,          // anything else that exists
    Missing,       // nothing of that name
    Inaccessible,  // cannot even be looked at (a folder on the way is closed)
};

// What `path` names, a relative path being taken from the current directory.
PathKind pathKind(const std::string& path);

// What identifies the file or folder `path` names, whatever spelling
// reaches it (links, "." and "..", letter case where the file system
// ignores it): equal strings for the same file or folder, "" when it
// cannot be told.
std::string identityOf(const std::string& path);

// Splits a path to a file into the folder that holds it and the file's own
// name. The folder keeps its final separator, so that a root stays a root
// ("/", "C:\", "\\server\share\"); it is empty when the path names a file of
// the current directory.
struct SplitPath {
    std::string folder;
    std::string name;
};
SplitPath splitPath(const std::string& path);

// `path` as the file system reads it: without the separators that end it
// ("pack/Zz.tga/") and, on Windows, without the dots and spaces it drops
// from the end of a name ("Zz.tga. "). "" for a root.
std::string trimmedPath(const std::string& path);

// The path of the entry `name` of the folder `folder` (a path as given, ""
// for the current directory): the two joined by a separator where the
// folder does not end in one.
std::string pathInFolder(const std::string& folder, const std::string& name);

// Makes the folder `path` names, with every folder on the way that does not
// exist yet, as new folders are made (on POSIX systems 0777 under the umask,
// never inside a folder without any write bit, and under root given to the
// owner and group of the nearest folder above that was there). True when
// it is a folder afterwards (also when it was one before).
bool makeFolder(const std::string& path);

// The folder that holds the running program's file (on Linux with links
// resolved), with its final separator: "/usr/bin/", "C:\Tools\bd\"; ""
// when the system cannot tell.
std::string programFolder();

// The prefix a program in `programFolder` is installed into, where the
// system lays programs out so ("/usr/" for "/usr/bin/"; its shared files in
// "/usr/share/"); "" where it does not (Windows, whose programs keep their
// files beside them) or for a folder at the root.
std::string installPrefixOf(const std::string& programFolder);

// Whether no one but root and the user running the program may change what
// the open folder `folder` holds: it, and each folder it lies in up to `top`
// (left out), belongs to one of them and gives no one else the right to
// write. False when `top` is not among the folders it lies in, or any of
// them cannot be looked at. (Windows: true; a program's folder there is as
// safe as the program in it.)
bool onlyRootAndYouMayChange(Folder& folder, const std::string& top);

}  // namespace platform
