// The operating-system steps of ReplacementFile; the sequence itself (and
// the points where tests make it fail) is the same everywhere.
#pragma once

#include <cstdio>
#include <string>

namespace platform {
namespace replacement {

// The file a replacement of `name` must update in the end. False when the
// file must stay as it is (read-only, a directory, a dangling link).
bool chooseTarget(const std::string& name, std::string& target);

// Creates a new, empty temporary file beside `target`, whose name never ends
// in ".tga", and opens it for binary writing. Null when that fails; else its
// name is in `temporary`.
std::FILE* createTemporaryBeside(const std::string& target, std::string& temporary);

// Puts the finished temporary file in the target's place in one step.
bool swapIn(const std::string& temporary, const std::string& target);

// Removes a temporary file that is not wanted any more.
void removeTemporary(const std::string& temporary);

}  // namespace replacement
}  // namespace platform
