#include "batch/masks.h"

#include <algorithm>
#include <vector>

#include "batch/console_texts.h"
#include "batch/picture_files.h"
#include "platform/console.h"
#include "platform/names.h"

int MaskSet::load(platform::Folder& folder, std::FILE* console, bool png) {
    int usable = 0;
    for (int slot = 0; slot < kMaskCount; ++slot) {
        std::string fileName = kMaskKinds[slot].fileName;
        if (png && !platform::entryExists(folder, fileName) && platform::entryExists(folder, pngMaskName(slot))) {
            fileName = pngMaskName(slot);
        }
        TgaImage& mask = images[slot];
        const bool loaded = loadPicture(folder, fileName, mask, &readers[slot]);
        if (loaded && mask.content() == TgaContent::Picture) {
            states[slot] = MaskState::Used;
            ++usable;
            continue;
        }
        // A mask that would blend garbage is no mask at all; nor is one that
        // is there but gives no picture (locked, unreadable, a folder, too
        // big to hold), which is not the same as one that is missing.
        mask.release();
        const bool there = loaded || platform::entryExists(folder, fileName);
        states[slot] = there ? MaskState::Unusable : MaskState::Missing;
        platform::printFormatted(console, there ? texts::kMaskUnusable : texts::kMaskNotFound, fileName.c_str(),
                                 kMaskKinds[slot].kind);
    }
    return usable;
}

PartMasks MaskSet::shown() const {
    PartMasks part;
    for (int slot = 0; slot < kMaskCount; ++slot) {
        part.images[slot] = &images[slot];
        part.states[slot] = states[slot];
    }
    return part;
}

const TgaImage* MaskSet::sizeToFit() const {
    for (const TgaImage& image : images) {
        if (image.isLoaded()) return &image;
    }
    return nullptr;
}

std::string pngMaskName(int slot) {
    const std::string tga = kMaskKinds[slot].fileName;
    return tga.substr(0, tga.size() - 4) + ".png";
}

bool holdsAnyMaskFile(platform::Folder& folder, bool png) {
    for (int slot = 0; slot < kMaskCount; ++slot) {
        if (platform::entryExists(folder, kMaskKinds[slot].fileName)) return true;
        if (png && platform::entryExists(folder, pngMaskName(slot))) return true;
    }
    return false;
}

std::string masksOfOtherSizes(const MaskSet& masks, const TgaImage& icon) {
    struct SizeGroup {
        const TgaImage* mask;  // the first of its size
        std::string kinds;
    };
    std::vector<SizeGroup> groups;
    for (int slot = 0; slot < kMaskCount; ++slot) {
        const TgaImage& mask = masks.images[slot];
        if (!mask.isLoaded() || mask.sameSize(icon)) continue;
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const SizeGroup& other) { return other.mask->sameSize(mask); });
        if (group == groups.end()) {
            groups.push_back({&mask, kMaskKinds[slot].kind});
        } else {
            group->kinds += std::string(", ") + kMaskKinds[slot].kind;
        }
    }
    std::string list;
    for (const SizeGroup& group : groups) {
        list += (list.empty() ? "" : ", ") +
                platform::formatted(texts::kMaskSizeAndKinds, static_cast<int>(group.mask->width),
                                    static_cast<int>(group.mask->height), group.kinds.c_str());
    }
    return list;
}
