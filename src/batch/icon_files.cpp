#include "batch/icon_files.h"

#include <new>

#include "batch/eligibility.h"
#include "batch/picture_files.h"

namespace {

constexpr std::uint8_t kOpaque = 255;

MaskFit fitOf(const MaskSet& masks, int slot, const TgaImage& icon) {
    switch (masks.states[slot]) {
        case MaskState::Missing: return MaskFit::Missing;
        case MaskState::Unusable: return MaskFit::Unusable;
        case MaskState::Used: break;
    }
    return masks.fits(slot, icon) ? MaskFit::Laid : MaskFit::OtherSize;
}

// Where the page's copy of an output goes, its room made at once: grown
// piece by piece, it would take up to twice its size.
KeptCopy keptCopy(const TgaImage& source, bool keep, OutputOutcome& output) {
    if (!keep) return {nullptr, &output.writtenAs};
    try {
        output.bytes.reserve(static_cast<std::size_t>(source.savedFileBytes()));
    } catch (const std::bad_alloc&) {
        return {nullptr, &output.writtenAs};
    }
    return {&output.bytes, &output.writtenAs};
}

}  // namespace

// Every output is written from the untouched source with its mask laid over
// it on the way to the file: no variant carries another's mask, and no
// pixel buffer is copied.
void writeIconFiles(TgaImage& source, const platform::Readers& readers, const MaskSet& masks,
                    const OutputPlace& place, bool keep, IconOutcome& outcome) {
    const std::string baseName = eligibility::baseNameOf(outcome.reportName);
    for (int slot = 0; slot < kMaskCount; ++slot) {
        OutputOutcome& output = outcome.outputs[slot];
        // A PNG file is never written: its icon is the TGA file of its name.
        output.fileName = outputName(slot, baseName, outcome.png ? outcome.reportName : outcome.fileName);
        output.fit = fitOf(masks, slot, source);
    }
    for (int slot = 1; slot < kMaskCount; ++slot) {
        OutputOutcome& output = outcome.outputs[slot];
        if (output.fit != MaskFit::Laid) continue;
        const TgaImage& mask = masks.images[slot];
        const platform::MadeFrom from{platform::Made::Shows, {readers, masks.readers[slot]}};
        output.written = writePicture(
            place.folder, output.fileName, from,
            [&](tga::ByteSink& out) { return source.saveBlended(out, mask, kOpaque); }, keptCopy(source, keep, output));
        output.attempted = true;
    }

    OutputOutcome& icon = outcome.outputs[0];
    const bool masked = icon.fit == MaskFit::Laid;
    platform::MadeFrom from{place.inPlace && !outcome.png ? platform::Made::Rewrite : platform::Made::Shows, {readers}};
    if (masked) from.shown.push_back(masks.readers[0]);
    const TgaImage& mask = masks.images[0];
    // The icon is not needed after this. With 4-byte pixels the mask is laid
    // over its own pixels, which then go to the file as they are, without a
    // copy; other pixels are widened and blended block by block on the way.
    if (masked && source.hasAlpha()) source.blend(mask);
    const bool blendOnTheWay = masked && !source.hasAlpha();
    icon.written = writePicture(
        place.folder, icon.fileName, from,
        [&](tga::ByteSink& out) { return blendOnTheWay ? source.saveBlended(out, mask, kOpaque) : source.save(out, kOpaque); },
        keptCopy(source, keep, icon));
    icon.attempted = true;
}
