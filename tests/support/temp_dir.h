// A scratch directory that a test works in, and small file helpers. Names
// are UTF-8, as everywhere in the tool. Each system has its own
// implementation (support/posix/, support/windows/).
#pragma once

#include <cstdint>
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
inline std::string readText(const std::string& name) {
    const Bytes bytes = readFile(name);
    return std::string(bytes.begin(), bytes.end());
}
// Makes a folder (with the usual permissions); false when it cannot.
bool makeDirectory(const std::string& name);
bool fileExists(const std::string& name);
// Makes an existing file `size` bytes long, the new part a hole that takes
// no disk space where the file system allows. False when it cannot.
bool extendSparse(const std::string& name, std::uint64_t size);
// Every entry of the current directory, sorted by bytes.
std::vector<std::string> listDirectory();
// The project's source root, for the bundled and shared test data.
std::string sourceRoot();

}  // namespace test_support
