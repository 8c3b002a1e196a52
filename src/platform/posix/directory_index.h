// What the POSIX platform layer knows of the current directory: its entries
// as one reading of it found them.
#pragma once

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

}  // namespace posix
}  // namespace platform
