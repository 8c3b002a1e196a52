// Scratch folders, files and what this process may do, on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/names.h"
#include "support/temp_dir.h"
#include "support/test_environment.h"

namespace test_support {
namespace {

void removeTree(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return;
    if (S_ISDIR(info.st_mode)) {
        chmod(path.c_str(), 0700);  // a test may have made it read-only
        if (DIR* dir = opendir(path.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                std::string name = entry->d_name;
                if (name != "." && name != "..") removeTree(path + "/" + name);
            }
            closedir(dir);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

}  // namespace

ScopedWorkDir::ScopedWorkDir() {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) != nullptr) previous_ = cwd;
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/bd-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = buffer.data();
    if (chdir(path_.c_str()) != 0) throw std::runtime_error("chdir failed");
    platform::forgetDirectory();  // what the tool knew of the last one
}

ScopedWorkDir::~ScopedWorkDir() {
    if (!previous_.empty() && chdir(previous_.c_str()) != 0) std::perror("chdir");
    removeTree(path_);
    platform::forgetDirectory();
}

void writeFile(const std::string& name, const Bytes& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + name);
}

Bytes readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + name);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool makeDirectory(const std::string& name) {
    return mkdir(name.c_str(), 0755) == 0;
}

bool extendSparse(const std::string& name, std::uint64_t size) {
    return truncate(name.c_str(), static_cast<off_t>(size)) == 0;
}

bool fileExists(const std::string& name) {
    struct stat info;
    return lstat(name.c_str(), &info) == 0;
}

std::vector<std::string> listDirectory() {
    std::vector<std::string> names;
    if (DIR* dir = opendir(".")) {
        while (const dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string sourceRoot() {
    return BD_SOURCE_ROOT;
}

std::string readOnlyFolderUnboundReason() {
    // The tool honours a folder's permission bits itself, for root too.
    return "";
}

}  // namespace test_support
