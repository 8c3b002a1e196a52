// What every fuzz target shares: a scratch directory to work in, and a
// failed property turned into a crash that libFuzzer records.
#pragma once

#include <string>

namespace fuzz_target {

// Creates a private directory under $TMPDIR (or /tmp), makes it the current
// one and removes it again at exit. Relative paths among the arguments
// (corpus folders, inputs to replay) are made absolute first, since libFuzzer
// opens them only after the change of directory.
void enterScratchDirectory(int* argc, char*** argv);

// Aborts with the description when a property failed.
void require(const std::string& failure);

}  // namespace fuzz_target
