#include "preview/outcome.h"

const MaskKind kMaskKinds[kMaskCount] = {
    {"ZOF_NORMAL_MASK.tga", "normal", "", "", "Rewritten"},
    {"ZOF_DISABLED_MASK.tga", "disabled", "DIS", "", "DIS"},
    {"ZOF_PASSIVE_MASK.tga", "passive", "PAS", "", "PAS"},
    {"ZOF_AUTOCAST_MASK.tga", "autocast", "", "_Autocast", "_Autocast"},
};
const char* const kIconExtension = ".tga";

std::string outputName(int slot, const std::string& baseName, const std::string& fileName) {
    if (slot == 0) return fileName;
    return kMaskKinds[slot].prefix + baseName + kMaskKinds[slot].suffix + kIconExtension;
}
