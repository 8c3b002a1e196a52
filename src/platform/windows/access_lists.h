// Who may open a file on Windows: its access-control list. A file the tool
// makes (a variant, a copy in an output folder, the page) takes its
// folder's inherited list, unless it shows a picture not every user may
// see: then a private one, so that no file the tool makes shows a picture
// to someone the picture's own file keeps out.
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

// Whether every user of the machine may read the file open as `file` (with
// READ_CONTROL): its list lets Everyone, Authenticated Users or Users read
// it and keeps nobody from reading it, or it has no list at all (a FAT
// drive). False when the list cannot be read.
bool readableByAll(HANDLE file);

// A list that lets only the user running the tool, SYSTEM and the
// Administrators open the file (to read, write or remove it, never to run
// it), and takes nothing from its folder; empty when it cannot be made.
AccessList privateAccess();

}  // namespace windows
}  // namespace platform
