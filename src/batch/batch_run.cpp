#include "batch/batch_run.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "batch/console_texts.h"
#include "batch/eligibility.h"
#include "batch/variants.h"
#include "batch/warnings.h"
#include "platform/folders.h"
#include "platform/platform.h"

namespace {

struct MaskSlot {
    TgaImage MaskSet::*image;
    const char* fileName;
    const char* notFound;
    const char* unusable;
};

const MaskSlot kMaskSlots[] = {
    {&MaskSet::normalMask, eligibility::kNormalMaskName, texts::kNormalMaskNotFound,
     texts::kNormalMaskUnusable},
    {&MaskSet::disabledMask, eligibility::kDisabledMaskName, texts::kDisabledMaskNotFound,
     texts::kDisabledMaskUnusable},
    {&MaskSet::passiveMask, eligibility::kPassiveMaskName, texts::kPassiveMaskNotFound,
     texts::kPassiveMaskUnusable},
    {&MaskSet::autocastMask, eligibility::kAutocastMaskName, texts::kAutocastMaskNotFound,
     texts::kAutocastMaskUnusable},
};

const char* skipNote(eligibility::SkipReason reason) {
    switch (reason) {
        case eligibility::SkipReason::NotTga: return texts::kSkippedNotTga;
        case eligibility::SkipReason::Mask: return texts::kSkippedMask;
        case eligibility::SkipReason::VariantPrefix: return texts::kSkippedVariantPrefix;
        case eligibility::SkipReason::AutocastSuffix: return texts::kSkippedAutocastSuffix;
        case eligibility::SkipReason::None: break;
    }
    return nullptr;
}

bool holdsAnyMaskFile(platform::Folder& folder) {
    for (const MaskSlot& slot : kMaskSlots) {
        if (platform::entryExists(folder, slot.fileName)) return true;
    }
    return false;
}

// The loaded masks that are not of `icon`'s size, each size once with the
// kinds of its masks ("64 x 64 (normal, disabled)"), in the slots' order;
// "" when every loaded mask fits.
std::string masksOfOtherSizes(const MaskSet& masks, const TgaImage& icon) {
    struct SizeGroup {
        const TgaImage* mask;  // the first of its size
        std::string kinds;
    };
    std::vector<SizeGroup> groups;
    for (std::size_t index = 0; index < 4; ++index) {
        const TgaImage& mask = masks.*kMaskSlots[index].image;
        if (!mask.isLoaded() || mask.sameSize(icon)) continue;
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const SizeGroup& other) { return other.mask->sameSize(mask); });
        if (group == groups.end()) {
            groups.push_back({&mask, texts::kMaskKinds[index]});
        } else {
            group->kinds += std::string(", ") + texts::kMaskKinds[index];
        }
    }
    std::string list;
    for (const SizeGroup& group : groups) {
        char size[160];
        std::snprintf(size, sizeof size, texts::kMaskSizeAndKinds, static_cast<int>(group.mask->width),
                      static_cast<int>(group.mask->height), group.kinds.c_str());
        list += (list.empty() ? "" : ", ") + std::string(size);
    }
    return list;
}

}  // namespace

bool OutputLedger::writtenByAnother(const std::string& baseName, int part) const {
    auto found = writers_.find(baseName);
    return found != writers_.end() && found->second != part;
}

void OutputLedger::noteWritten(const std::string& baseName, int part) {
    writers_.emplace(baseName, part);
}

int BatchRun::loadMasksFrom(platform::Folder& folder) {
    masks_ = &ownMasks_;
    int maskCount = 0;
    for (std::size_t index = 0; index < 4; ++index) {
        const MaskSlot& slot = kMaskSlots[index];
        TgaImage& mask = ownMasks_.*slot.image;
        const bool loaded = mask.load(folder, slot.fileName);
        if (loaded && mask.content() == TgaContent::Picture) {
            ownMasks_.states[index] = MaskState::Used;
            ++maskCount;
            continue;
        }
        // A mask that would blend garbage is no mask at all; nor is one that
        // is there but gives no picture (locked, unreadable, a folder, too
        // big to hold), which is not the same as one that is missing.
        mask.release();
        const bool there = loaded || platform::entryExists(folder, slot.fileName);
        ownMasks_.states[index] = there ? MaskState::Unusable : MaskState::Missing;
        platform::printFormatted(console_, there ? slot.unusable : slot.notFound, slot.fileName);
    }
    return maskCount;
}

const ProgramMaskFolder* BatchRun::openProgramMasks(platform::Folder& folder) {
    for (const ProgramMaskFolder& candidate : programMasks_) {
        if (!folder.open(candidate.path) || !holdsAnyMaskFile(folder)) continue;
        // Masks that another user could have put there would be laid over
        // every icon of the run: they are as good as none.
        if (platform::onlyRootAndYouMayChange(folder, candidate.trustedBelow)) return &candidate;
        platform::printFormatted(console_, texts::kProgramMasksNotTrusted,
                                 platform::shownName(console_, candidate.path).c_str());
    }
    return nullptr;
}

void BatchRun::start() {
    if (masks_ == &ownMasks_) {
        // A folder without masks that takes the program's own says so in
        // one line, instead of a note for each mask it lacks.
        platform::Folder programFolder;
        const ProgramMaskFolder* program =
            withArguments_ && !holdsAnyMaskFile(source_) ? openProgramMasks(programFolder) : nullptr;
        if (program != nullptr) {
            platform::printFormatted(console_, texts::kUsingProgramMasks,
                                     platform::shownName(console_, program->path).c_str());
        }
        if (loadMasksFrom(program != nullptr ? programFolder : source_) == 0) {
            printWarning(console_, texts::kNoMaskAtAll);
        }
    }
    if (page_ != nullptr) page_->beginPart(pageFolder_, *masks_);
}

void BatchRun::noteMasksPassedOver(const std::string& name, const TgaImage& icon) {
    const std::string passedOver = masksOfOtherSizes(*masks_, icon);
    if (passedOver.empty()) return;
    platform::printFormatted(console_, texts::kMasksPassedOver, platform::shownName(console_, name).c_str(),
                             static_cast<int>(icon.width), static_cast<int>(icon.height), passedOver.c_str());
}

void BatchRun::finish(int processedCount) {
    if (processedCount >= 0) platform::printFormatted(console_, texts::kSummary, processedCount, candidateCount_);
    if (page_ == nullptr) return;
    if (processedCount >= 0) {
        char summary[128];
        std::snprintf(summary, sizeof summary, texts::kSummary, processedCount, candidateCount_);
        page_->addNote(summary);
    } else {
        page_->addNote(texts::kNoTgaFiles);
    }
    page_->endPart();
}

void BatchRun::workOnFolder() {
    // The folder is read afresh: nothing known from before may be used.
    source_.forget();
    start();

    // The whole list is taken first, so files written during the run are
    // never met as entries.
    std::vector<std::string> names;
    if (!platform::listTgaEntries(source_, names) || names.empty()) {
        platform::printText(console_, texts::kNoTgaFiles);
        finish(-1);
        return;
    }
    std::sort(names.begin(), names.end(), eligibility::comesBefore);
    platform::printText(console_, texts::kProcessingHeader);
    int processedCount = 0;
    for (const std::string& name : names) processedCount += processFile(name);
    finish(processedCount);
}

void BatchRun::workOnFiles(std::vector<std::string> names) {
    source_.forget();
    start();
    // Each name as the folder holds it: on Windows the long name of a file
    // given by its short 8.3 alias, which the rules about names must see.
    for (std::string& name : names) name = platform::resolveName(source_, name);
    std::sort(names.begin(), names.end(), eligibility::comesBefore);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    platform::printText(console_, texts::kProcessingHeader);
    int processedCount = 0;
    for (const std::string& name : names) {
        if (const char* note = skipNote(eligibility::skipReasonOf(name))) {
            platform::printFormatted(console_, note, platform::shownName(console_, name).c_str());
        } else {
            processedCount += processFile(name);
        }
    }
    finish(processedCount);
}

int BatchRun::processFile(const std::string& name) {
    // Reading and the page handle lack of memory themselves; anywhere else
    // the icon's files are each left whole (a temporary file goes with its
    // writer), and the next icon may still fit.
    try {
        return processIcon(name);
    } catch (const std::bad_alloc&) {
        printWarning(console_, texts::kOutOfMemory, name);
        return 0;
    }
}

int BatchRun::processIcon(const std::string& name) {
    if (eligibility::isMaskName(name) || eligibility::hasVariantPrefix(name)) return 0;
    std::string baseName = eligibility::baseNameOf(name);
    if (eligibility::hasAutocastSuffix(baseName)) return 0;
    ++candidateCount_;
    std::string sourceName = baseName + eligibility::kExtension;
    // The entry itself is read and rewritten when it is the icon's name in
    // another letter case: on a file system that tells case apart, "Fire.TGA"
    // and "Fire.tga" are two icons, each to be worked on once.
    const std::string& fileName =
        platform::compareIgnoreCase(name.c_str(), sourceName.c_str()) == 0 ? name : sourceName;

    TgaImage source;
    if (!source.load(source_, fileName)) {
        // A run without arguments passes over what it cannot open, a folder
        // named like an icon too. A run with them says why: a folder is no
        // icon, and is not counted.
        if (withArguments_ && platform::isFolderIn(source_, fileName)) {
            --candidateCount_;
            platform::printFormatted(console_, texts::kSkippedFolder, platform::shownName(console_, fileName).c_str());
            return 0;
        }
        if (withArguments_) printWarning(console_, texts::kCannotOpen, fileName);
        if (page_ != nullptr) page_->addUnreadIcon(sourceName);
        return 0;
    }
    // A file the reader has no faithful picture of is never written back.
    // Warnings name the file as it is called, which the report line (the
    // icon's name with ".tga" in lower case) may not. Another part of the
    // run may have written this icon's files into the output already: they
    // stay as that part left them.
    const char* const unchanged =
        source.content() == TgaContent::Unsupported ? texts::kNotTrueColour
        : source.content() == TgaContent::Truncated ? texts::kTruncated
        : source.isLoaded() && ledger_ != nullptr && ledger_->writtenByAnother(baseName, part_) ? texts::kAlreadyWritten
                                                                                              : nullptr;
    if (unchanged != nullptr) {
        printWarning(console_, unchanged, fileName);
        if (page_ != nullptr) page_->addUnchangedIcon(sourceName, source, unchanged, fileName);
        return 0;
    }
    if (!source.isLoaded()) {
        if (page_ != nullptr) page_->addUnreadIcon(sourceName);
        return 0;
    }

    // save() rewrites the header, so the type as loaded is noted first.
    bool wasRunLength = source.header[tga::kImageTypeOffset] != tga::kTypeUncompressed;
    const OutputPlace place{output_, &output_ == &source_};
    // The page's pictures are made first, from the pixels as read.
    if (page_ != nullptr) page_->startIcon(sourceName, fileName, baseName, source, wasRunLength);
    const unsigned variantsWritten = produceVariants(source, baseName, *masks_, place, console_);
    const bool saved = saveWithNormalMask(source, fileName, *masks_, place);
    if (page_ != nullptr) page_->finishIcon(variantsWritten, saved);
    if (ledger_ != nullptr && (saved || variantsWritten != 0)) ledger_->noteWritten(baseName, part_);
    if (!saved) {
        printWarning(console_, texts::kCannotWrite, fileName);
        return 0;
    }
    platform::printFormatted(console_, wasRunLength ? texts::kReportRunLength : texts::kReportUncompressed,
                 platform::shownName(console_, sourceName).c_str(), static_cast<int>(source.width), static_cast<int>(source.height));
    if (withArguments_) noteMasksPassedOver(sourceName, source);
    return 1;
}
