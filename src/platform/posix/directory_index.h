// What the POSIX platform layer knows of the current directory: its entries
// as one reading of it found them, and the files the tool made since.
#pragma once

#include <string>

namespace platform {
namespace posix {

// The name of the entry `name` resolves to: its exact spelling, else the
// smallest in byte order of those equal to it ignoring ASCII case. Null
// when there is none.
const std::string* findEntry(const std::string& name);

// Records a file the tool itself just put in place under `name`.
void noteCreated(const std::string& name);

}  // namespace posix
}  // namespace platform
