#include "checks.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "batch/batch_run.h"
#include "batch/eligibility.h"
#include "batch/picture_files.h"
#include "preview/outcome.h"
#include "batch_input.h"
#include "platform/platform.h"
#include "tga/tga_image.h"

namespace fuzz_checks {
namespace {

bool writeBytes(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

bool writeBytes(const std::string& name, const Bytes& bytes) {
    return writeBytes(name, bytes.data(), bytes.size());
}

bool readBytes(const std::string& name, Bytes& bytes) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return false;
    bytes.clear();
    std::uint8_t block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
        bytes.insert(bytes.end(), block, block + got);
    }
    std::fclose(file);
    return true;
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

void emptyDirectory() {
    for (const std::string& name : listDirectory()) std::remove(name.c_str());
}

// --- the whole run ---------------------------------------------------------

// What a rewritten file must be: a full 32-bit picture of the icon's size,
// in exactly the bytes the writer promises for it.
std::string checkWrittenPicture(const std::string& name, const Bytes& iconBytes) {
    if (iconBytes.size() < tga::kHeaderLength) return name + " was written from an icon without header";
    std::uint32_t width = iconBytes[tga::kWidthOffset] | (iconBytes[tga::kWidthOffset + 1] << 8);
    std::uint32_t height = iconBytes[tga::kHeightOffset] | (iconBytes[tga::kHeightOffset + 1] << 8);
    TgaImage written;
    if (!loadPicture(platform::currentFolder(), name, written) || written.content() != TgaContent::Picture) {
        return name + " was written but is no full picture";
    }
    if (written.width != width || written.height != height || written.bitsPerPixel != tga::kDepth32) {
        return name + " was written with another size or depth";
    }
    Bytes bytes;
    readBytes(name, bytes);
    if (bytes.size() != written.savedFileBytes()) return name + " was written with a wrong length";
    return "";
}

std::string batchProperties(const BatchInput& input) {
    std::string iconName = (input.options & kIconNameUpperCase) ? "ICON.TGA" : "Icon.tga";
    std::map<std::string, Bytes> before;
    before[iconName] = input.icon;
    for (int slot = 0; slot < 4; ++slot) {
        if (input.maskImage(slot) != 0) {
            before[kMaskKinds[slot].fileName] = input.maskImage(slot) == 1 ? input.imageA : input.imageB;
        }
    }
    if (input.options & kStaleVariant) {
        before[outputName(1, eligibility::baseNameOf(iconName), iconName)] = input.imageB;
    }
    if (input.options & kSecondIcon) before["Zed.tga"] = input.imageA;
    for (const auto& file : before) {
        if (!writeBytes(file.first, file.second)) return "cannot set up " + file.first;
    }

    // The run as the tool makes it, less the banner and the wait for a key.
    std::FILE* console = std::fopen("/dev/null", "w");
    if (console == nullptr) return "cannot open /dev/null";
    std::map<std::string, int> processed;
    {
        BatchRun run(console);
        run.loadMasks();
        std::vector<std::string> names;
        platform::listTgaEntries(names);
        std::sort(names.begin(), names.end(), eligibility::comesBefore);
        for (const std::string& name : names) processed[name] = run.processFile(name);
    }
    std::fclose(console);

    // Which files the run may have written: the icons it reports as
    // processed and their variants.
    std::map<std::string, std::string> writable;  // file -> the icon it came from
    for (const auto& entry : processed) {
        if (entry.second != 1) continue;
        std::string base = eligibility::baseNameOf(entry.first);
        for (int slot = 0; slot < kMaskCount; ++slot) writable[outputName(slot, base, entry.first)] = entry.first;
    }
    for (const std::string& name : listDirectory()) {
        auto source = writable.find(name);
        auto old = before.find(name);
        Bytes now;
        readBytes(name, now);
        if (source == writable.end()) {
            if (old == before.end()) return "the run left an unexpected file: " + name;
            if (now != old->second) return name + " was not rewritten but its bytes changed";
            continue;
        }
        if (old != before.end() && now == old->second) continue;  // written as it was, or kept
        std::string problem = checkWrittenPicture(name, before[source->second]);
        if (!problem.empty()) return problem;
    }
    for (const auto& file : before) {
        struct stat info;
        if (stat(file.first.c_str(), &info) != 0) return file.first + " vanished";
    }
    return "";
}

}  // namespace

std::string checkBatch(const std::uint8_t* data, std::size_t size) {
    if (!listDirectory().empty()) return "the scratch directory is not empty";
    std::string result = batchProperties(BatchInput::parse(data, size));
    emptyDirectory();
    return result;
}

}  // namespace fuzz_checks
