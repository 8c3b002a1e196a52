// Who may open a file on Windows: its access-control list. A file the tool
// makes from an icon (a variant, a copy in an output folder) takes the
// icon's list, and a page that shows a picture not every user may see takes
// a private one, so that no file the tool makes shows a picture to someone
// the picture's own file keeps out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace platform {
namespace windows {

// A self-relative security descriptor that holds an access-control list,
// as CreateFileW's security attributes and SetKernelObjectSecurity take it;
// empty for none (a new file then takes its folder's inherited list).
using AccessList = std::vector<std::uint8_t>;

// What a file open as `file` (with READ_CONTROL) tells of the files made
// from it.
struct AccessOfFile {
    // Whether every user of the machine may read it: its list lets
    // Everyone, Authenticated Users or Users read it and keeps nobody from
    // reading it, or it has no list at all (a FAT drive). False when the
    // list cannot be read.
    bool readableByAll = false;
    // Its list, with full control for the user running the tool, who must
    // be able to replace next time what this run writes, and the right to
    // run it for nobody; empty when it has no list, or it cannot be read.
    AccessList forFilesMadeFromIt;
};
AccessOfFile accessOfOpenFile(HANDLE file);

// A list that lets only the user running the tool, SYSTEM and the
// Administrators open the file (to read, write or remove it, never to run
// it), and takes nothing from its folder; empty when it cannot be made.
AccessList privateAccess();

}  // namespace windows
}  // namespace platform
