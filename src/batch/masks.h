// The four masks of a part of the run, loaded once and only read afterwards.
#pragma once

#include <cstdio>
#include <string>

#include "platform/files.h"
#include "preview/outcome.h"
#include "tga/tga_image.h"

struct MaskSet {
    TgaImage images[kMaskCount];
    platform::Readers readers[kMaskCount];  // who may read each file loaded
    MaskState states[kMaskCount] = {MaskState::Missing, MaskState::Missing, MaskState::Missing, MaskState::Missing};

    // Loads the masks of `folder`, noting on `console` each one missing or
    // unusable; returns how many are usable. With `png`, a mask's PNG file
    // serves where its TGA file is missing.
    int load(platform::Folder& folder, std::FILE* console, bool png = false);
    // The size the masks make icons fit: the first loaded mask's; null when
    // none is loaded.
    const TgaImage* sizeToFit() const;
    // Whether mask `slot` is loaded and of `icon`'s size.
    bool fits(int slot, const TgaImage& icon) const { return images[slot].isLoaded() && images[slot].sameSize(icon); }
    // The masks as the page shows them.
    PartMasks shown() const;
};

// Whether `folder` holds any of the four mask files (or, with `png`, their
// PNG files).
bool holdsAnyMaskFile(platform::Folder& folder, bool png = false);
// The PNG file of mask `slot`.
std::string pngMaskName(int slot);

// The loaded masks that are not of `icon`'s size, each size once with the
// kinds of its masks ("64 x 64 (normal, disabled)"), in the slots' order;
// "" when every loaded mask fits.
std::string masksOfOtherSizes(const MaskSet& masks, const TgaImage& icon);
