// The disabled, passive and autocast variants of an icon, and the normal
// mask laid over the icon itself.
#pragma once

#include <cstdio>
#include <string>

#include "batch/mask_set.h"
#include "tga/tga_image.h"

// The file names of an icon's variants.
std::string disabledVariantName(const std::string& baseName);
std::string passiveVariantName(const std::string& baseName);
std::string autocastVariantName(const std::string& baseName);

// Writes each variant whose mask is loaded and of the icon's size, every one
// from a fresh copy of `source` in `workCopy`; then lays the normal mask over
// `source`. A variant that cannot be written is reported on `console`.
void produceVariants(TgaImage& source, TgaImage& workCopy, const std::string& baseName,
                     const MaskSet& masks, std::FILE* console);
