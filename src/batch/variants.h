// The disabled, passive and autocast variants of an icon, and the normal
// mask laid over the icon itself.
#pragma once

#include <cstdio>
#include <string>

#include "batch/mask_set.h"
#include "platform/folder.h"
#include "tga/tga_image.h"

// The file names of an icon's variants.
std::string disabledVariantName(const std::string& baseName);
std::string passiveVariantName(const std::string& baseName);
std::string autocastVariantName(const std::string& baseName);

// Where an icon's files go: its own folder (a run in place, where the icon's
// rewrite keeps what its file has), or another.
struct OutputPlace {
    platform::Folder& folder;
    bool inPlace;
};

// Writes each variant whose mask is loaded and of the icon's size: the icon
// with that mask laid over it, a new file that shows both. A variant that
// cannot be written is reported on `console`. `source` keeps its pixels.
// Returns which were written, one bit each: disabled 1, passive 2, autocast 4.
unsigned produceVariants(TgaImage& source, const std::string& baseName, const MaskSet& masks,
                         const OutputPlace& place, std::FILE* console);

// Writes the icon itself as `fileName`, with the normal mask laid over it
// when that mask is loaded and of the icon's size (`source` then holds the
// masked pixels): in place its own new version, elsewhere a new file that
// shows the icon and that mask. False when it cannot be written.
bool saveWithNormalMask(TgaImage& source, const std::string& fileName, const MaskSet& masks,
                        const OutputPlace& place);
