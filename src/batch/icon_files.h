// The files made of an icon: the normal mask laid over the icon itself, and
// its disabled, passive and autocast variants.
#pragma once

#include "batch/masks.h"
#include "platform/folder.h"
#include "preview/outcome.h"
#include "tga/tga_image.h"

// Where an icon's files go: its own folder (a run in place, where the icon's
// rewrite keeps what its file has), or another.
struct OutputPlace {
    platform::Folder& folder;
    bool inPlace;
};

// Writes the files of the icon `source`, read from `outcome.fileName`, into
// `place`: each variant whose mask fits it, a new file that shows both, and
// then the icon itself, with the normal mask laid over it when that fits
// (`source` then holds the masked pixels). `readers` say who may read the
// icon's file. Tells in `outcome.outputs` what was written, keeping the
// bytes when `keep` is set.
void writeIconFiles(TgaImage& source, const platform::Readers& readers, const MaskSet& masks,
                    const OutputPlace& place, bool keep, IconOutcome& outcome);
