// The file of the preview page (preview/preview_page.h): written while the
// run goes into a temporary file that takes the page's place only when it
// is complete, readable by no one who may not read every picture it shows.
#pragma once

#include <string>

#include "batch/masks.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "preview/preview_page.h"

class PageFile final : private tga::ByteSink {
public:
    PageFile() : page_(*this) {}

    // Starts the page in `folder`, replacing one of that name all or nothing
    // as every file the tool writes, with its heading: the folder as the
    // user named it (`shown`, "" for the current one) and the time of the
    // run. What is added to a page that cannot be written is passed over.
    void open(platform::Folder& folder, const std::string& shown, const platform::LocalTime& when);
    // The name the page is written under: PreviewPage::kFileName, or the
    // spelling an older page has where letter case is ignored.
    const std::string& fileName() const { return fileName_; }
    // Whether the page still wants pictures.
    bool showing() const { return !page_.failed(); }

    // See PreviewPage; `masks` also say who may read the masks shown, and
    // `readers` who may read the file of the icon added.
    void beginPart(const std::string& folder, const std::string& output, const MaskSet& masks);
    void addIcon(IconOutcome& icon, const platform::Readers& readers);
    void addNote(const std::string& line);
    void endPart();

    // Ends the page and puts it in place. False, with any older page as it
    // was, when anything failed.
    bool commit();

private:
    bool write(const std::uint8_t* bytes, std::size_t size) override;
    // Gives the page up, with its temporary file, when it has failed.
    void dropIfFailed();

    platform::ReplacementFile file_;
    std::string fileName_ = PreviewPage::kFileName;
    PreviewPage page_;
};
