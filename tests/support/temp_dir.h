// A scratch directory that a test works in, and small file helpers.
#pragma once

#include <string>
#include <vector>

#include "support/tga_builder.h"

namespace test_support {

// Creates a fresh directory and makes it the current one; on destruction
// goes back and removes it with everything in it.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

void writeFile(const std::string& name, const Bytes& bytes);
Bytes readFile(const std::string& name);
bool fileExists(const std::string& name);
// Every entry of the current directory, sorted by bytes.
std::vector<std::string> listDirectory();
// The project's source root, for the bundled and shared test data.
std::string sourceRoot();

}  // namespace test_support
