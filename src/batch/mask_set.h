// The four masks of a run, loaded once and only read afterwards.
#pragma once

#include "tga/tga_image.h"

struct MaskSet {
    TgaImage normalMask;
    TgaImage disabledMask;
    TgaImage passiveMask;
    TgaImage autocastMask;
};
