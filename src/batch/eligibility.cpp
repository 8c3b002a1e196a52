#include "batch/eligibility.h"

#include <cstring>

#include "platform/platform.h"

namespace eligibility {

const char* const kNormalMaskName = "ZOF_NORMAL_MASK.tga";
const char* const kDisabledMaskName = "ZOF_DISABLED_MASK.tga";
const char* const kPassiveMaskName = "ZOF_PASSIVE_MASK.tga";
const char* const kAutocastMaskName = "ZOF_AUTOCAST_MASK.tga";

const char* const kDisabledPrefix = "DIS";
const char* const kPassivePrefix = "PAS";
const char* const kAutocastSuffix = "_Autocast";
const char* const kExtension = ".tga";

bool isMaskName(const std::string& name) {
    for (const char* mask : {kDisabledMaskName, kPassiveMaskName, kAutocastMaskName, kNormalMaskName}) {
        if (platform::compareIgnoreCase(name.c_str(), mask) == 0) return true;
    }
    return false;
}

bool hasVariantPrefix(const std::string& name) {
    const std::size_t kPrefixLength = std::strlen(kDisabledPrefix);
    return platform::compareIgnoreCaseN(name.c_str(), kDisabledPrefix, kPrefixLength) == 0 ||
           platform::compareIgnoreCaseN(name.c_str(), kPassivePrefix, kPrefixLength) == 0;
}

std::string baseNameOf(const std::string& name) {
    const std::size_t kExtensionLength = std::strlen(kExtension);
    return name.substr(0, name.size() < kExtensionLength ? 0 : name.size() - kExtensionLength);
}

bool hasAutocastSuffix(const std::string& baseName) {
    const std::size_t kSuffixLength = std::strlen(kAutocastSuffix);
    return baseName.size() >= kSuffixLength &&
           platform::compareIgnoreCase(baseName.c_str() + baseName.size() - kSuffixLength,
                                       kAutocastSuffix) == 0;
}

SkipReason skipReasonOf(const std::string& name) {
    const std::size_t kExtensionLength = std::strlen(kExtension);
    if (name.size() < kExtensionLength ||
        platform::compareIgnoreCase(name.c_str() + name.size() - kExtensionLength, kExtension) != 0) {
        return SkipReason::NotTga;
    }
    if (isMaskName(name)) return SkipReason::Mask;
    if (hasVariantPrefix(name)) return SkipReason::VariantPrefix;
    if (hasAutocastSuffix(baseNameOf(name))) return SkipReason::AutocastSuffix;
    return SkipReason::None;
}

namespace {
unsigned char foldUpper(char c) {
    return static_cast<unsigned char>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c);
}
}  // namespace

bool comesBefore(const std::string& a, const std::string& b) {
    std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        if (foldUpper(a[i]) != foldUpper(b[i])) return foldUpper(a[i]) < foldUpper(b[i]);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace eligibility
