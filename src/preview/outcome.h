// What became of the masks of a part of the run and of each of its icons:
// the records the console report and the preview page both render.
#pragma once

#include <cstdint>
#include <string>

#include "tga/tga_image.h"

// The four masks, in the order of every list of them: the normal mask laid
// over the icon itself, then those of the three variants.
constexpr int kMaskCount = 4;

struct MaskKind {
    const char* fileName;  // "ZOF_NORMAL_MASK.tga"
    const char* kind;      // the word the console texts use: "normal"
    const char* prefix;    // the output's name: prefix + icon + suffix + ".tga"
    const char* suffix;
    const char* column;    // the page's heading of the output's pictures
};
extern const MaskKind kMaskKinds[kMaskCount];
extern const char* const kIconExtension;  // ".tga"

// The file mask `slot` makes of the icon `baseName` (its name without the
// extension), read from `fileName`: for the normal mask the icon itself.
std::string outputName(int slot, const std::string& baseName, const std::string& fileName);

// What became of a mask when the run loaded it.
enum class MaskState { Used, Missing, Unusable };

// The masks of a part: each loaded image (kept until the part ends) and
// what became of it.
struct PartMasks {
    const TgaImage* images[kMaskCount] = {};
    MaskState states[kMaskCount] = {MaskState::Missing, MaskState::Missing, MaskState::Missing, MaskState::Missing};
};

// Whether a mask was laid over an icon, or why not.
enum class MaskFit { Laid, Missing, Unusable, OtherSize };

struct OutputOutcome {
    std::string fileName;   // the file asked for
    std::string writtenAs;  // the name it was written under, once opened
    MaskFit fit = MaskFit::Missing;
    bool attempted = false;  // the file was to be written
    bool written = false;
    // Its warning when it was to be written and was not: a printf format
    // taking fileName.
    const char* warning = nullptr;
    // The bytes written (a TGA file as the writer makes them), when they
    // were kept for the page; empty otherwise.
    tga::ByteBuffer bytes;
};

struct IconOutcome {
    enum class Result {
        NotOpened,  // the file could not be read
        IsFolder,   // a folder named like an icon: not counted
        Unchanged,  // read, and left as it was (`warning` says why)
        NotRead,    // read, but without a picture to work on
        Worked,     // its files were written, as far as `outputs` tell
    };
    Result result = Result::NotOpened;
    std::string fileName;    // the file read
    std::string reportName;  // the icon as the report names it
    std::uint32_t width = 0, height = 0, bitsPerPixel = 0;
    std::uint8_t imageType = 0;  // as read
    bool png = false;            // read from a PNG file (runs with arguments)
    // The size the files were written at: the masks' for an icon fitted to
    // them, else the size as read.
    std::uint32_t writtenWidth = 0, writtenHeight = 0;
    // The warning of the icon itself, a printf format taking fileName.
    const char* warning = nullptr;
    OutputOutcome outputs[kMaskCount];  // the icon rewritten, then its variants
    // The icon as read, in the form the writer writes, when kept for the page.
    tga::ByteBuffer asRead;
};
