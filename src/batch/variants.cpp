#include "batch/variants.h"

#include "batch/console_texts.h"
#include "batch/eligibility.h"

using eligibility::kAutocastSuffix;
using eligibility::kDisabledPrefix;
using eligibility::kExtension;
using eligibility::kPassivePrefix;

std::string disabledVariantName(const std::string& baseName) {
    return kDisabledPrefix + baseName + kExtension;
}

std::string passiveVariantName(const std::string& baseName) {
    return kPassivePrefix + baseName + kExtension;
}

std::string autocastVariantName(const std::string& baseName) {
    return baseName + kAutocastSuffix + kExtension;
}

namespace {

bool fits(const TgaImage& mask, const TgaImage& source) {
    return mask.isLoaded() && mask.sameSize(source);
}

}  // namespace

void produceVariants(TgaImage& source, TgaImage& workCopy, const std::string& baseName,
                     const MaskSet& masks, std::FILE* console) {
    struct Variant {
        const TgaImage& mask;
        std::string name;
    };
    const Variant variants[] = {
        {masks.disabledMask, disabledVariantName(baseName)},
        {masks.passiveMask, passiveVariantName(baseName)},
        {masks.autocastMask, autocastVariantName(baseName)},
    };
    for (const Variant& variant : variants) {
        if (!fits(variant.mask, source)) continue;
        workCopy.assign(source);
        workCopy.blend(variant.mask);
        if (!workCopy.save(variant.name, 255)) {
            std::fprintf(console, texts::kCannotWrite, variant.name.c_str());
        }
    }
    // Last, so that no variant carries the normal mask.
    if (fits(masks.normalMask, source)) source.blend(masks.normalMask);
}
