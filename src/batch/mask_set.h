// The four masks of a run, loaded once and only read afterwards.
#pragma once

#include "tga/tga_image.h"

// What became of a mask when the run loaded it.
enum class MaskState { Used, Missing, Unusable };

struct MaskSet {
    TgaImage normalMask;
    TgaImage disabledMask;
    TgaImage passiveMask;
    TgaImage autocastMask;
    // In the same order: normal, disabled, passive, autocast.
    MaskState states[4] = {MaskState::Missing, MaskState::Missing, MaskState::Missing, MaskState::Missing};
};
