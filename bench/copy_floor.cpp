// The copy floor: the least work a tool with the same output could do.
// Run in an icon folder like the tool; for every icon it reads the file and
// writes as many files as the tool writes (three variants and the icon
// itself), each of the size the tool's would have (header + 4 bytes per
// pixel), filled with the icon's own bytes repeated. Every file goes through
// a temporary file and a rename, as the tool's do. Nothing is decoded.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

bool endsWithIgnoreCase(const std::string& name, const char* suffix) {
    std::size_t length = std::strlen(suffix);
    return name.size() >= length && strcasecmp(name.c_str() + name.size() - length, suffix) == 0;
}

// The same names the tool takes for icons: *.tga, but no mask and no variant.
bool isIcon(const std::string& name) {
    return endsWithIgnoreCase(name, ".tga") && strncasecmp(name.c_str(), "ZOF_", 4) != 0 &&
           strncasecmp(name.c_str(), "DIS", 3) != 0 && strncasecmp(name.c_str(), "PAS", 3) != 0 &&
           !endsWithIgnoreCase(name, "_Autocast.tga");
}

bool readWhole(const std::string& name, Bytes& bytes) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return false;
    struct stat info;
    bool ok = fstat(fileno(file), &info) == 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return ok;
}

// Writes `bytes` to a fresh temporary file and renames it over `target`,
// keeping the target's permissions, as the tool's replacement does.
bool replaceFile(const std::string& target, const Bytes& bytes, unsigned& serial) {
    struct stat targetInfo;
    bool targetExists = stat(target.c_str(), &targetInfo) == 0;
    std::string temporary = "copy-floor-" + std::to_string(getpid()) + "-" + std::to_string(++serial) + ".tmp";
    int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return false;
    if (targetExists) fchmod(descriptor, targetInfo.st_mode & 07777);
    std::FILE* stream = fdopen(descriptor, "wb");
    if (stream == nullptr) {
        close(descriptor);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    ok = std::fclose(stream) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

}  // namespace

int main() {
    std::vector<std::string> names;
    DIR* directory = opendir(".");
    if (directory == nullptr) return 1;
    while (const dirent* entry = readdir(directory)) {
        if (isIcon(entry->d_name)) names.emplace_back(entry->d_name);
    }
    closedir(directory);

    Bytes input;
    Bytes output;
    unsigned serial = 0;
    int failures = 0;
    for (const std::string& name : names) {
        if (!readWhole(name, input) || input.size() < 18) {
            ++failures;
            continue;
        }
        std::uint64_t width = input[12] | (input[13] << 8);
        std::uint64_t height = input[14] | (input[15] << 8);
        std::uint64_t size = 18 + input[0] + 4 * width * height;
        output.resize(static_cast<std::size_t>(size));
        for (std::size_t at = 0; at < output.size(); at += input.size()) {
            std::memcpy(output.data() + at, input.data(), std::min(input.size(), output.size() - at));
        }
        std::string base = name.substr(0, name.size() - 4);
        const std::string targets[] = {"DIS" + name, "PAS" + name, base + "_Autocast.tga", name};
        for (const std::string& target : targets) {
            if (!replaceFile(target, output, serial)) ++failures;
        }
    }
    std::printf("%zu icons, %d failures\n", names.size(), failures);
    return failures == 0 ? 0 : 1;
}
