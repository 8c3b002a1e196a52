// The preview page: one self-contained HTML file that shows what a run read
// and wrote, every picture inlined as a PNG file. It renders the outcome of
// each icon (preview/outcome.h) and shows the bytes the run wrote, as they
// are; where the page's bytes go is the caller's.
#pragma once

#include <cstdint>
#include <string>

#include "preview/outcome.h"
#include "preview/png_picture.h"
#include "tga/tga_image.h"

// The page is made while the run goes, one row per icon: no more than one
// icon's pictures are ever held, and none larger than the picture budget. A
// picture that cannot be had for lack of memory says so in its cell; a page
// that cannot be finished for lack of memory, or whose bytes could not be
// put where they go, is given up (failed()). Neither ever stops the run.
class PreviewPage {
public:
    static const char* const kFileName;  // "button-disabler-preview.html"

    // The largest picture shown, in pixels; a larger one says "too large
    // to show", and the run keeps no bytes for it. While a row is made, the
    // five pictures of its icon are held as written (4 bytes a pixel) and
    // as PNG files in Base64, beside the working buffers of the one being
    // encoded; docs/limits.md gives the memory this takes.
    static constexpr std::uint64_t kMaxShownPixels = 2048ull * 2048;

    // The page goes into `out`, which must outlive it.
    explicit PreviewPage(tga::ByteSink& out) : out_(out) {}

    // The page's heading: the folder as the user named it (`shown`, "" for
    // the current one) and the time of the run.
    void start(const std::string& shown, const std::string& when);
    // A part of the run: the folder whose icons follow and the folder their
    // files went to (as the user named them), the masks laid over them, and
    // the icons' rows, up to endPart(). The masks must stay until then.
    void beginPart(const std::string& folder, const std::string& output, const PartMasks& masks);
    // The row of an icon; the bytes it kept are given back as their
    // pictures are made.
    void addIcon(IconOutcome& icon);
    // A line below the rows: a console line of the run.
    void addNote(const std::string& line);
    void endPart();
    // Ends the page.
    void finish();
    bool failed() const { return failed_; }

private:
    void write(const std::string& text);
    // Runs `step`; lack of memory on the way gives the page up.
    template <typename Step>
    void guarded(Step step);
    void writeRow(IconOutcome& icon);
    // The cell of output `slot` of `icon`, and its warning, if any.
    std::string outputCell(const IconOutcome& icon, int slot, std::string& warnings);
    // A picture of the TGA file's bytes `file` as the writer writes them,
    // or why it is not shown.
    std::string pictureOfFile(const tga::ByteBuffer& file, std::uint32_t width, std::uint32_t height,
                              const std::string& fileName);
    std::string picture(std::uint32_t width, std::uint32_t height, std::uint32_t stride, const std::uint8_t* pixels,
                        const std::string& fileName);
    // Why mask `slot` shows less on the icon than in its own picture.
    std::string hiddenPartNote(const IconOutcome& icon, int slot) const;

    tga::ByteSink& out_;
    bool failed_ = false;
    PartMasks masks_;
    PngEncoder encoder_;
    std::string png_;
};
