#include "checks.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "batch/batch_run.h"
#include "batch/eligibility.h"
#include "batch/variants.h"
#include "batch_input.h"
#include "platform/platform.h"
#include "tga/tga_image.h"

namespace fuzz_checks {
namespace {

// Not 255, so that a writer that ignores it is caught.
constexpr std::uint8_t kFillAlpha = 0xA5;

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

std::string describe(const char* what, std::uint64_t value) {
    return std::string(what) + " " + std::to_string(value);
}

// --- the reader ------------------------------------------------------------

std::string comparePixels(const TgaImage& original, const TgaImage& reloaded) {
    std::uint64_t n = std::uint64_t{original.width} * original.height;
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint8_t* before = original.pixels.data() + i * original.stride();
        const std::uint8_t* after = reloaded.pixels.data() + i * 4;
        for (std::size_t k : {tga::kBlue, tga::kGreen, tga::kRed}) {
            if (before[k] != after[k]) return describe("the round trip changed a colour of pixel", i);
        }
        std::uint8_t alpha = original.hasAlpha() ? before[tga::kAlpha] : kFillAlpha;
        if (after[tga::kAlpha] != alpha) return describe("the round trip changed the alpha of pixel", i);
    }
    return "";
}

std::string readerProperties(const char* inputName, const char* savedName) {
    TgaImage image;
    if (!image.load(inputName)) {
        if (!image.header.empty() || !image.pixels.empty()) return "a failed load left data in the record";
        return "";
    }
    if (image.content() != TgaContent::Picture) {
        if (image.pixels.size() > tga::kMaxUnbackedBufferBytes) {
            return describe("a record without a full picture holds pixel bytes:", image.pixels.size());
        }
        return "";
    }
    if (!image.isLoaded()) return "a full picture is not isLoaded()";
    if (image.bitsPerPixel != tga::kDepth24 && image.bitsPerPixel != tga::kDepth32) {
        return describe("a full picture has depth", image.bitsPerPixel);
    }
    if (image.pixels.size() != image.pixelDataBytes() + tga::kSlackBytes) {
        return describe("a full picture's buffer has the wrong size", image.pixels.size());
    }

    const TgaImage original = image;
    if (!image.save(savedName, kFillAlpha)) return "a full picture could not be saved";
    Bytes saved;
    if (!readBytes(savedName, saved)) return "the saved file cannot be read";
    if (saved.size() != image.savedFileBytes()) {
        return describe("the saved file's size differs from savedFileBytes():", saved.size());
    }

    TgaImage reloaded;
    if (!reloaded.load(savedName) || reloaded.content() != TgaContent::Picture) {
        return "the saved file does not load as a full picture";
    }
    if (reloaded.width != original.width || reloaded.height != original.height ||
        reloaded.bitsPerPixel != tga::kDepth32) {
        return "the saved file declares another size or depth";
    }
    if (reloaded.headerSize != original.headerSize ||
        !std::equal(original.header.begin() + tga::kHeaderLength,
                    original.header.begin() + original.headerSize,
                    reloaded.header.begin() + tga::kHeaderLength)) {
        return "the round trip changed the image ID";
    }
    return comparePixels(original, reloaded);
}

// --- the blend -------------------------------------------------------------

// Bytes 0-2 give the target's width, height and depth code, bytes 3-5 the
// mask's; the rest fills both pixel buffers, over and over.
constexpr std::size_t kBlendParameterBytes = 6;
constexpr std::uint32_t kMaxBlendSide = 40;

// A depth code with bit 7 set is taken as a raw depth below 64 that the tool
// never blends (only memory safety is checked then); otherwise bit 0 picks
// 24 or 32 bits.
std::uint32_t depthFromCode(std::uint8_t code) {
    if (code & 0x80) return code & 0x3F;
    return (code & 1) ? tga::kDepth32 : tga::kDepth24;
}

TgaImage makeImage(const std::uint8_t* parameters, const std::uint8_t* fill, std::size_t fillSize,
                   std::size_t& fillAt) {
    TgaImage image;
    image.width = parameters[0] % (kMaxBlendSide + 1);
    image.height = parameters[1] % (kMaxBlendSide + 1);
    image.bitsPerPixel = depthFromCode(parameters[2]);
    image.header.assign(tga::kHeaderBlockSize, 0);
    image.headerSize = tga::kHeaderLength;
    // The same buffer layout as the reader makes: pixels, then the slack.
    image.pixels.resize(static_cast<std::size_t>(image.pixelDataBytes() + tga::kSlackBytes));
    for (std::uint8_t& byte : image.pixels) {
        byte = fillSize == 0 ? static_cast<std::uint8_t>(fillAt * 37) : fill[fillAt % fillSize];
        ++fillAt;
    }
    return image;
}

bool meaningfulDepth(const TgaImage& image) {
    return image.bitsPerPixel == tga::kDepth24 || image.bitsPerPixel == tga::kDepth32;
}

std::string blendProperties(const TgaImage& before, const TgaImage& after, const TgaImage& mask) {
    std::uint32_t stride = before.stride();
    std::uint32_t rows = std::min(before.height, mask.height);
    std::uint32_t cols = std::min(before.width, mask.width);
    std::uint64_t pixelBytes = before.pixelDataBytes();
    for (std::size_t j = 0; j < before.pixels.size(); ++j) {
        if (before.pixels[j] == after.pixels[j]) continue;
        std::uint64_t pixel = j / stride;
        bool colourByte = j < pixelBytes && j % stride < 3 && pixel / before.width < rows &&
                          pixel % before.width < cols;
        if (!colourByte) return describe("the blend changed a byte that is no shared colour byte:", j);
    }
    for (std::uint32_t r = 0; r < rows; ++r) {
        for (std::uint32_t c = 0; c < cols; ++c) {
            std::uint64_t p = (std::uint64_t{r} * before.width + c) * stride;
            std::uint64_t q = (std::uint64_t{r} * mask.width + c) * mask.stride();
            std::uint32_t maskAlpha = mask.hasAlpha() ? mask.pixels[q + tga::kAlpha] : 255;
            for (std::size_t k : {tga::kBlue, tga::kGreen, tga::kRed}) {
                if (maskAlpha == 255 && after.pixels[p + k] != mask.pixels[q + k]) {
                    return describe("an opaque mask pixel did not come through at byte", p + k);
                }
                if (maskAlpha == 0 && after.pixels[p + k] != before.pixels[p + k]) {
                    return describe("a transparent mask pixel changed byte", p + k);
                }
            }
        }
    }
    return "";
}

// The blended copy saved, and the unblended image saved with the mask laid
// over it on the way: the files must be the same, and the image unchanged.
std::string compareSavedBlendsInScratch(const TgaImage& before, TgaImage blended, const TgaImage& mask) {
    TgaImage image = before;
    if (!blended.save("blended.tga", kFillAlpha)) return "the blended copy could not be saved";
    if (!image.saveBlended("on-the-way.tga", mask, kFillAlpha)) return "saveBlended failed";
    if (image.pixels != before.pixels) return "saveBlended changed the image's pixels";
    Bytes copied;
    Bytes onTheWay;
    if (!readBytes("blended.tga", copied) || !readBytes("on-the-way.tga", onTheWay)) {
        return "a saved blend cannot be read back";
    }
    if (copied != onTheWay) return "saveBlended wrote other bytes than blend and save";
    return "";
}

std::string compareSavedBlends(const TgaImage& before, const TgaImage& blended, const TgaImage& mask) {
    std::string result = compareSavedBlendsInScratch(before, blended, mask);
    std::remove("blended.tga");
    std::remove("on-the-way.tga");
    return result;
}

// --- the whole run ---------------------------------------------------------

const char* const kMaskNames[] = {eligibility::kNormalMaskName, eligibility::kDisabledMaskName,
                                  eligibility::kPassiveMaskName, eligibility::kAutocastMaskName};

// What a rewritten file must be: a full 32-bit picture of the icon's size,
// in exactly the bytes the writer promises for it.
std::string checkWrittenPicture(const std::string& name, const Bytes& iconBytes) {
    if (iconBytes.size() < tga::kHeaderLength) return name + " was written from an icon without header";
    std::uint32_t width = iconBytes[tga::kWidthOffset] | (iconBytes[tga::kWidthOffset + 1] << 8);
    std::uint32_t height = iconBytes[tga::kHeightOffset] | (iconBytes[tga::kHeightOffset + 1] << 8);
    TgaImage written;
    if (!written.load(name) || written.content() != TgaContent::Picture) {
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
            before[kMaskNames[slot]] = input.maskImage(slot) == 1 ? input.imageA : input.imageB;
        }
    }
    if (input.options & kStaleVariant) {
        before[disabledVariantName(eligibility::baseNameOf(iconName))] = input.imageB;
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
        writable[entry.first] = entry.first;
        for (const std::string& variant :
             {disabledVariantName(base), passiveVariantName(base), autocastVariantName(base)}) {
            writable[variant] = entry.first;
        }
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

std::string checkReader(const std::uint8_t* data, std::size_t size) {
    const char* kInput = "input.tga";
    const char* kSaved = "saved.tga";
    std::string result = writeBytes(kInput, data, size) ? readerProperties(kInput, kSaved)
                                                        : "cannot write the input file";
    emptyDirectory();
    return result;
}

std::string checkBlend(const std::uint8_t* data, std::size_t size) {
    std::uint8_t parameters[kBlendParameterBytes] = {};
    std::copy(data, data + std::min(size, kBlendParameterBytes), parameters);
    const std::uint8_t* fill = data + std::min(size, kBlendParameterBytes);
    std::size_t fillSize = size - std::min(size, kBlendParameterBytes);
    std::size_t fillAt = 0;
    TgaImage target = makeImage(parameters, fill, fillSize, fillAt);
    const TgaImage mask = makeImage(parameters + 3, fill, fillSize, fillAt);
    const TgaImage before = target;
    const TgaImage maskBefore = mask;

    if (!target.blend(mask)) return "blend refused two images with pixel buffers";
    if (mask.pixels != maskBefore.pixels) return "the blend changed the mask";
    if (!meaningfulDepth(target) || !meaningfulDepth(mask)) return "";
    std::string problem = blendProperties(before, target, mask);
    if (!problem.empty()) return problem;
    return compareSavedBlends(before, target, mask);
}

std::string checkBatch(const std::uint8_t* data, std::size_t size) {
    if (!listDirectory().empty()) return "the scratch directory is not empty";
    std::string result = batchProperties(BatchInput::parse(data, size));
    emptyDirectory();
    return result;
}

}  // namespace fuzz_checks
