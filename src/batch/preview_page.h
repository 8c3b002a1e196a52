// The preview page: one self-contained HTML file that shows what a run read
// and wrote, every picture inlined as a PNG file.
#pragma once

#include <cstdint>
#include <string>

#include "batch/mask_set.h"
#include "batch/png_picture.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folder.h"
#include "tga/tga_image.h"

// The page is written while the run goes, one row per icon, into a
// temporary file that takes the page's place only when it is complete: no
// more than one icon's pictures are ever held, and none larger than the
// picture budget. A picture that cannot be had for lack of memory says so
// in its cell; a page that cannot be finished for lack of memory is given
// up (commit() fails). Neither ever stops the run.
class PreviewPage {
public:
    static const char* const kFileName;  // "button-disabler-preview.html"

    // The largest picture shown, in pixels; a larger one says "too large
    // to show". While a row is made, up to five pictures of its icon are
    // held as PNG files in Base64 (for noise 5.3 bytes a pixel), and the one
    // being encoded takes about 20 bytes a pixel more. Measured on the
    // 32-bit Windows program with a noise icon and four masks of its size:
    // every picture shown at 3072 x 3072, the page given up at 3584 x 3584.
    // Under half the pixels of the good case leaves room for an address
    // space cut up by what the run already holds (docs/limits.md).
    static constexpr std::uint64_t kMaxShownPixels = 2048ull * 2048;

    // Starts the page in `folder`, replacing one of that name all or nothing
    // as every file the tool writes, with its heading: the folder as the
    // user named it (`shown`, "" for the current one) and the time of the
    // run. False when the page cannot be written (what is added then is
    // passed over, and commit() fails).
    bool open(platform::Folder& folder, const std::string& shown, const platform::LocalTime& when);
    // The name the page is written under: kFileName, or the spelling an
    // older page has where letter case is ignored.
    const std::string& fileName() const { return fileName_; }

    // A part of the run: the folder whose icons follow (as the user named
    // it), the masks laid over them, and the icons' rows, up to endPart().
    // `masks` must stay as they are until then.
    void beginPart(const std::string& folder, const MaskSet& masks);
    void endPart();

    // The pictures of an icon about to be written, from the pixels read
    // (`icon`, whose pixels must still be the ones read): the icon itself,
    // and each of its outputs as it will be written. `name` is the icon as
    // the report names it, `fileName` the file read and `baseName` the name
    // its variants are made from. finishIcon() writes the row.
    void startIcon(const std::string& name, const std::string& fileName, const std::string& baseName,
                   const TgaImage& icon, bool runLength);
    // Which files of the icon started were written: its variants, one bit
    // each (disabled 1, passive 2, autocast 4), and the icon itself.
    void finishIcon(unsigned variantsWritten, bool iconWritten);
    // A row for an icon the run left unchanged or did not write, with the
    // warning it printed (`warning`, a printf format taking `fileName`).
    void addUnchangedIcon(const std::string& name, const TgaImage& icon, const char* warning,
                          const std::string& fileName);
    // A row for an icon whose file could not be read.
    void addUnreadIcon(const std::string& name);
    // A line below the rows: a console line of the run.
    void addNote(const std::string& line);

    // Ends the page and puts it in place. False, with any older page as it
    // was, when anything failed.
    bool commit();

private:
    // A picture cell. Its buffer is kept from row to row: a row's pictures
    // are large, and the page is made of thousands.
    struct Cell {
        std::string html;
        std::string fileName;  // the file it shows, "" for none
    };

    void write(const std::string& text);
    // Runs `step`; lack of memory on the way gives the page up: what is
    // added then is passed over, and commit() fails.
    template <typename Step>
    void guarded(Step step);
    void abandon();
    // Gives back the buffers of large pictures: held on, they would stand
    // in the way of the icons that follow.
    void releaseWorkingBuffers();
    void releaseCells();
    // The guarded work of open(), beginPart(), startIcon() and finishIcon().
    void writeHead(const std::string& shown, const platform::LocalTime& when);
    void writePartHead(const std::string& folder);
    void makeCells(const std::string& fileName, const std::string& baseName, const TgaImage& icon);
    void writeIconRow(unsigned variantsWritten, bool iconWritten);
    // Writes the row of an icon: its name with the warnings, its size and
    // form, and the pictures' cells (cells_).
    void writeRow(const std::string& name, const std::string& size, const std::string& form,
                  const std::string& warnings);
    // Appends to `html` a picture: `image` with `mask` (when not null) laid
    // over it, as the writer writes it into `fileName`; or why it is not
    // shown.
    void appendPicture(const TgaImage& image, const TgaImage* mask, const std::string& fileName, std::string& html);
    void appendEncoded(const TgaImage& image, const TgaImage* mask, const std::string& fileName, std::string& html);
    std::string reasonForMissing(int slot, const TgaImage& icon) const;

    platform::ReplacementFile file_;
    bool failed_ = true;
    std::string fileName_ = kFileName;
    const MaskSet* masks_ = nullptr;
    PngEncoder encoder_;
    TgaImage blended_;  // a working copy, kept for its buffer
    std::string png_;

    // The icon started and not yet finished.
    std::string name_;
    std::string size_;
    std::string form_;
    Cell cells_[5];
};
