#include "batch/batch_run.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "batch/console_texts.h"
#include "batch/eligibility.h"
#include "batch/icon_files.h"
#include "batch/picture_files.h"
#include "batch/warnings.h"
#include "platform/folders.h"
#include "platform/console.h"
#include "platform/platform.h"

namespace {

// The icon as read, in the form its files are written in, for the page to
// show beside them; nothing when memory runs out for it.
void keepAsRead(TgaImage& source, tga::ByteBuffer& asRead) {
    try {
        asRead.reserve(static_cast<std::size_t>(source.savedFileBytes()));
        tga::BufferSink sink(asRead);
        source.save(sink, 255);
    } catch (const std::bad_alloc&) {
        tga::ByteBuffer().swap(asRead);
    }
}

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

}  // namespace

bool OutputLedger::writtenByAnother(const std::string& baseName, int part) const {
    auto found = writers_.find(baseName);
    return found != writers_.end() && found->second != part;
}

void OutputLedger::noteWritten(const std::string& baseName, int part) {
    writers_.emplace(baseName, part);
}

const ProgramMaskFolder* BatchRun::openProgramMasks(platform::Folder& folder) {
    for (const ProgramMaskFolder& candidate : programMasks_) {
        if (!folder.open(candidate.path) || !holdsAnyMaskFile(folder, true)) continue;
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
            withArguments_ && !holdsAnyMaskFile(source_, true) ? openProgramMasks(programFolder) : nullptr;
        if (program != nullptr) {
            platform::printFormatted(console_, texts::kUsingProgramMasks,
                                     platform::shownName(console_, program->path).c_str());
        }
        if (ownMasks_.load(program != nullptr ? programFolder : source_, console_, withArguments_) == 0) {
            printWarning(console_, texts::kNoMaskAtAll);
        }
    }
    if (page_ != nullptr) page_->beginPart(pageFolder_, pageOutput_, *masks_);
}

void BatchRun::finish(int processedCount) {
    if (processedCount >= 0) platform::printFormatted(console_, texts::kSummary, processedCount, candidateCount_);
    if (page_ == nullptr) return;
    if (processedCount >= 0) {
        page_->addNote(platform::formatted(texts::kSummary, processedCount, candidateCount_));
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
    if (!platform::listTgaEntries(source_, names, withArguments_) || names.empty()) {
        platform::printText(console_, texts::kNoTgaFiles);
        finish(-1);
        return;
    }
    // A TGA file beside a PNG file of its name is made from it: the PNG is
    // the icon.
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& name) { return !pngTwinOf(name).empty(); }),
                names.end());
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
    for (std::string& name : names) {
        name = platform::resolveName(source_, name);
        if (const std::string twin = pngTwinOf(name); !twin.empty()) name = twin;
    }
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

void BatchRun::fitToMasks(TgaImage& source) {
    const TgaImage* size = masks_->sizeToFit();
    if (size == nullptr || size->sameSize(source)) return;
    if (source.bitsPerPixel != tga::kDepth32) {
        // Fitted in 32 bits: the pixels as the writer widens them.
        tga::ByteBuffer widened;
        tga::BufferSink sink(widened);
        if (!source.save(sink, 255) || !source.load(std::move(widened))) return;
    }
    source.fitTo(size->width, size->height);
}

std::string BatchRun::pngTwinOf(const std::string& name) {
    if (!withArguments_ || !platform::hasTgaExtension(name)) return "";
    // Only a file that can be read is the artwork: a folder or a dangling
    // link of the name leaves the TGA file an icon of its own.
    const std::string png = platform::resolveName(source_, eligibility::baseNameOf(name) + ".png");
    platform::InputFile file;
    return platform::entryExists(source_, png) && file.open(source_, png) ? png : "";
}

int BatchRun::processFile(const std::string& name) {
    // Reading and the page handle lack of memory themselves; anywhere else
    // the icon's files are each left whole (a temporary file goes with its
    // writer), and the next icon may still fit.
    IconOutcome outcome;
    try {
        processIcon(name, outcome);
    } catch (const std::bad_alloc&) {
        reportVariants(outcome);
        printWarning(console_, texts::kOutOfMemory, name);
        return 0;
    }
    return outcome.result == IconOutcome::Result::Worked && outcome.outputs[0].written ? 1 : 0;
}

void BatchRun::processIcon(const std::string& name, IconOutcome& outcome) {
    if (eligibility::isMaskName(name) || eligibility::hasVariantPrefix(name)) return;
    const std::string baseName = eligibility::baseNameOf(name);
    if (eligibility::hasAutocastSuffix(baseName)) return;
    ++candidateCount_;
    outcome.reportName = baseName + kIconExtension;
    // The entry itself is read and rewritten when it is the icon's name in
    // another letter case: on a file system that tells case apart, "Fire.TGA"
    // and "Fire.tga" are two icons, each to be worked on once.
    outcome.png = platform::hasPngExtension(name);
    outcome.fileName = outcome.png || platform::compareIgnoreCase(name.c_str(), outcome.reportName.c_str()) == 0
                           ? name
                           : outcome.reportName;
    TgaImage source;
    platform::Readers readers;
    readIcon(source, readers, outcome);
    if (outcome.result == IconOutcome::Result::IsFolder) --candidateCount_;
    // The page shows the bytes written, of a picture not too large to show.
    const auto keepFor = [&](const TgaImage& picture) {
        return page_ != nullptr && page_->showing() &&
               std::uint64_t{picture.width} * picture.height <= PreviewPage::kMaxShownPixels;
    };
    if (outcome.result == IconOutcome::Result::Worked) {
        if (keepFor(source)) keepAsRead(source, outcome.asRead);
        if (fit_) fitToMasks(source);
        outcome.writtenWidth = source.width;
        outcome.writtenHeight = source.height;
        writeIconFiles(source, readers, *masks_, {output_, &output_ == &source_}, keepFor(source), outcome);
        for (OutputOutcome& output : outcome.outputs) {
            if (output.attempted && !output.written) output.warning = texts::kCannotWrite;
        }
        const bool anyWritten = std::any_of(std::begin(outcome.outputs), std::end(outcome.outputs),
                                            [](const OutputOutcome& output) { return output.written; });
        if (ledger_ != nullptr && anyWritten) ledger_->noteWritten(baseName, part_);
    }
    report(outcome, source);
    if (page_ != nullptr) page_->addIcon(outcome, readers);
}

void BatchRun::readIcon(TgaImage& source, platform::Readers& readers, IconOutcome& outcome) {
    using Result = IconOutcome::Result;
    const std::string& fileName = outcome.fileName;
    if (!loadPicture(source_, fileName, source, &readers)) {
        // A folder named like an icon is no icon, for a run with arguments.
        outcome.result = withArguments_ && platform::isFolderIn(source_, fileName) ? Result::IsFolder : Result::NotOpened;
        return;
    }
    if (outcome.png && !source.isLoaded()) {
        outcome.result = Result::Unchanged;
        outcome.warning = texts::kUnreadablePng;
        outcome.reportName = fileName;  // no TGA file is made of it
        return;
    }
    outcome.width = source.width;
    outcome.height = source.height;
    outcome.bitsPerPixel = source.bitsPerPixel;
    outcome.imageType = source.header[tga::kImageTypeOffset];
    // A file the reader has no faithful picture of is never written back.
    // Another part of the run may have written this icon's files into the
    // output already: they stay as that part left them.
    const bool writtenByAnother = ledger_ != nullptr && ledger_->writtenByAnother(
                                                            eligibility::baseNameOf(outcome.reportName), part_);
    outcome.warning = source.content() == TgaContent::Unsupported ? texts::kNotTrueColour
                      : source.content() == TgaContent::Truncated ? texts::kTruncated
                      : source.isLoaded() && writtenByAnother     ? texts::kAlreadyWritten
                                                                  : nullptr;
    outcome.result = outcome.warning != nullptr ? Result::Unchanged
                     : source.isLoaded()         ? Result::Worked
                                                 : Result::NotRead;
}

void BatchRun::reportVariants(const IconOutcome& outcome) {
    for (int slot = 1; slot < kMaskCount; ++slot) {
        const OutputOutcome& output = outcome.outputs[slot];
        if (output.attempted && !output.written) printWarning(console_, texts::kCannotWrite, output.fileName);
    }
}

void BatchRun::report(const IconOutcome& outcome, const TgaImage& source) {
    using Result = IconOutcome::Result;
    const std::string& fileName = outcome.fileName;
    switch (outcome.result) {
        case Result::IsFolder:
            platform::printFormatted(console_, texts::kSkippedFolder, platform::shownName(console_, fileName).c_str());
            return;
        case Result::NotOpened:
            // A run without arguments passes over what it cannot open; one
            // with them says so. Warnings name the file as it is called,
            // which the report line (the icon's name with ".tga" in lower
            // case) may not.
            if (withArguments_) printWarning(console_, texts::kCannotOpen, fileName);
            return;
        case Result::Unchanged: printWarning(console_, outcome.warning, fileName); return;
        case Result::NotRead: return;
        case Result::Worked: break;
    }
    reportVariants(outcome);
    if (!outcome.outputs[0].written) {
        printWarning(console_, texts::kCannotWrite, outcome.outputs[0].fileName);
        return;
    }
    const bool runLength = outcome.imageType != tga::kTypeUncompressed;
    platform::printFormatted(console_,
                             outcome.png ? texts::kReportPng
                             : runLength ? texts::kReportRunLength
                                         : texts::kReportUncompressed,
                             platform::shownName(console_, outcome.reportName).c_str(),
                             static_cast<int>(outcome.writtenWidth), static_cast<int>(outcome.writtenHeight));
    const std::string passedOver = withArguments_ ? masksOfOtherSizes(*masks_, source) : std::string();
    if (!passedOver.empty()) {
        platform::printFormatted(console_, fit_ ? texts::kMasksPassedOverFitted : texts::kMasksPassedOver,
                                 platform::shownName(console_, outcome.reportName).c_str(),
                                 static_cast<int>(outcome.width), static_cast<int>(outcome.height), passedOver.c_str());
    }
}
