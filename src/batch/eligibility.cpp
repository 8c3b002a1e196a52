#include "batch/eligibility.h"

#include <cstring>

#include "platform/names.h"
#include "preview/outcome.h"

namespace eligibility {

bool isMaskName(const std::string& name) {
    // Its TGA file, or its PNG file.
    const std::string base = baseNameOf(name) + kIconExtension;
    if (!platform::hasTgaExtension(name) && !platform::hasPngExtension(name)) return false;
    for (const MaskKind& mask : kMaskKinds) {
        if (platform::compareIgnoreCase(base.c_str(), mask.fileName) == 0) return true;
    }
    return false;
}

bool hasVariantPrefix(const std::string& name) {
    for (const MaskKind& mask : kMaskKinds) {
        const std::size_t length = std::strlen(mask.prefix);
        if (length != 0 && platform::compareIgnoreCaseN(name.c_str(), mask.prefix, length) == 0) return true;
    }
    return false;
}

std::string baseNameOf(const std::string& name) {
    const std::size_t kExtensionLength = std::strlen(kIconExtension);
    return name.substr(0, name.size() < kExtensionLength ? 0 : name.size() - kExtensionLength);
}

bool hasAutocastSuffix(const std::string& baseName) {
    for (const MaskKind& mask : kMaskKinds) {
        const std::size_t length = std::strlen(mask.suffix);
        if (length != 0 && baseName.size() >= length &&
            platform::compareIgnoreCase(baseName.c_str() + baseName.size() - length, mask.suffix) == 0) {
            return true;
        }
    }
    return false;
}

SkipReason skipReasonOf(const std::string& name) {
    if (!platform::hasTgaExtension(name) && !platform::hasPngExtension(name)) return SkipReason::NotTga;
    if (isMaskName(name)) return SkipReason::Mask;
    if (hasVariantPrefix(name)) return SkipReason::VariantPrefix;
    if (hasAutocastSuffix(baseNameOf(name))) return SkipReason::AutocastSuffix;
    return SkipReason::None;
}

bool comesBefore(const std::string& a, const std::string& b) {
    const auto folded = [](char c) {
        return static_cast<unsigned char>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c);
    };
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        if (folded(a[i]) != folded(b[i])) return folded(a[i]) < folded(b[i]);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace eligibility
