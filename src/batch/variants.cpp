#include "batch/variants.h"

#include "batch/console_texts.h"
#include "batch/eligibility.h"
#include "batch/warnings.h"
#include "platform/console.h"

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

// Every output is written from the untouched source with its mask laid over
// it on the way to the file: no variant carries another's mask, and no
// pixel buffer is copied.
unsigned produceVariants(TgaImage& source, const std::string& baseName, const MaskSet& masks,
                         const OutputPlace& place, std::FILE* console) {
    struct Variant {
        const TgaImage& mask;
        std::string name;
    };
    const Variant variants[] = {
        {masks.disabledMask, disabledVariantName(baseName)},
        {masks.passiveMask, passiveVariantName(baseName)},
        {masks.autocastMask, autocastVariantName(baseName)},
    };
    unsigned written = 0;
    for (unsigned bit = 0; bit < 3; ++bit) {
        const Variant& variant = variants[bit];
        if (!fits(variant.mask, source)) continue;
        const platform::MadeFrom from{platform::Made::Shows, {source.readers(), variant.mask.readers()}};
        if (source.saveBlended(place.folder, variant.name, variant.mask, 255, from)) {
            written |= 1u << bit;
        } else {
            printWarning(console, texts::kCannotWrite, variant.name);
        }
    }
    return written;
}

bool saveWithNormalMask(TgaImage& source, const std::string& fileName, const MaskSet& masks,
                        const OutputPlace& place) {
    const bool masked = fits(masks.normalMask, source);
    platform::MadeFrom from{place.inPlace ? platform::Made::Rewrite : platform::Made::Shows, {source.readers()}};
    if (masked) from.shown.push_back(masks.normalMask.readers());
    if (!masked) return source.save(place.folder, fileName, 255, from);
    // The icon is not needed after this. With 4-byte pixels the mask is laid
    // over its own pixels, which then go to the file as they are, without a
    // copy; other pixels are widened and blended block by block on the way.
    if (source.hasAlpha()) {
        source.blend(masks.normalMask);
        return source.save(place.folder, fileName, 255, from);
    }
    return source.saveBlended(place.folder, fileName, masks.normalMask, 255, from);
}
