#include "batch/page_file.h"

#include "batch/masks.h"
#include "platform/console.h"
#include "platform/names.h"

bool PageFile::write(const std::uint8_t* bytes, std::size_t size) {
    return file_.write(bytes, size);
}

void PageFile::dropIfFailed() {
    if (page_.failed()) file_.discard();
}

void PageFile::open(platform::Folder& folder, const std::string& shown, const platform::LocalTime& when) {
    // The page is a new file of the writer's, whatever held its name
    // before, and shows every icon and mask it comes to show: nobody may
    // read it who may not read them all.
    fileName_ = platform::resolveName(folder, PreviewPage::kFileName);
    // A page whose file cannot be made fails at its first write.
    file_.open(folder, PreviewPage::kFileName, {platform::Made::ShowsLater, {}});
    page_.start(shown, platform::formatted("%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day,
                                           when.hour, when.minute, when.second));
    dropIfFailed();
}

void PageFile::beginPart(const std::string& folder, const std::string& output, const MaskSet& masks) {
    for (int slot = 0; slot < kMaskCount; ++slot) {
        if (masks.states[slot] == MaskState::Used) file_.alsoShows(masks.readers[slot]);
    }
    page_.beginPart(folder, output, masks.shown());
    dropIfFailed();
}

void PageFile::addIcon(IconOutcome& icon, const platform::Readers& readers) {
    if (icon.result == IconOutcome::Result::Worked) file_.alsoShows(readers);
    page_.addIcon(icon);
    dropIfFailed();
}

void PageFile::addNote(const std::string& line) {
    page_.addNote(line);
    dropIfFailed();
}

void PageFile::endPart() {
    page_.endPart();
    dropIfFailed();
}

bool PageFile::commit() {
    page_.finish();
    return !page_.failed() && file_.commit();
}
