// What the POSIX platform layer knows of the current directory: its entries
// as one reading of it found them.
#pragma once

#include <sys/types.h>

#include <string>

namespace platform {
namespace posix {

// The name of the entry `name` resolves to: its exact spelling, else the
// smallest in byte order of those equal to it ignoring ASCII case. Null
// when there is none.
const std::string* findEntry(const std::string& name);

// Whether the directory has any write permission bit. Root may write into
// one without, as into a read-only file; the tool does not.
bool directoryWritable();

// The group a file made in the directory gets: the directory's own where it
// is set-group-ID, else `processGroup`.
gid_t groupOfNewFiles(gid_t processGroup);

}  // namespace posix
}  // namespace platform
