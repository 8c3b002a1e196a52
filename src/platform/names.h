// File names: comparing them as the tool's names need, listing the icons of
// the current directory, and finding the spelling a name exists under.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// ASCII-only case-insensitive comparisons, as the tool's names need them:
// negative, zero or positive like strcmp.
int compareIgnoreCase(const char* a, const char* b);
int compareIgnoreCaseN(const char* a, const char* b, std::size_t count);
// Whether a name ends in ".tga" in any letter case.
bool hasTgaExtension(const std::string& name);

// Lists the entries of the current directory whose names match "*.tga"
// without regard to letter case, in the order the platform's search yields
// them. False when the search cannot be made at all, or fails part-way (a
// partial listing never passes for a complete one).
bool listTgaEntries(std::vector<std::string>& names);

// The name under which `name` exists in the current directory: the exact
// spelling when such an entry exists, else the first entry equal to it when
// ASCII letter case is ignored, else `name` itself (a file still to be made).
// The directory is read once, at the first lookup or listing; files made
// since (by the tool or anyone else) are not seen until forgetDirectory().
std::string resolveName(const std::string& name);

// Whether the current directory has an entry `name` resolves to (see
// resolveName): a file, a folder, a link or anything else of that name.
bool entryExists(const std::string& name);

// Forgets what is known of the current directory: the next lookup reads it
// afresh. For a change of directory, or changes made behind the tool's back.
void forgetDirectory();

}  // namespace platform
