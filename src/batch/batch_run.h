// The work on one folder: masks, one pass over its icons, report.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "batch/masks.h"
#include "batch/page_file.h"
#include "platform/folder.h"
#include "platform/names.h"
#include "preview/outcome.h"

// The icons whose files the parts of one run have written into the output
// folder they share, each with the part that wrote them. Names are told
// apart as that folder's file system tells them, letter case aside.
class OutputLedger {
public:
    // Whether a part other than `part` has written files of the icon
    // `baseName` (its name without the extension).
    bool writtenByAnother(const std::string& baseName, int part) const;
    void noteWritten(const std::string& baseName, int part);

private:
    // Names compared as the output folder resolves them (on Windows as
    // NTFS does, in every script).
    struct IgnoringCase {
        bool operator()(const std::string& a, const std::string& b) const {
            return platform::compareIgnoreCase(a.c_str(), b.c_str()) < 0;
        }
    };
    std::map<std::string, int, IgnoringCase> writers_;
};

// A folder that may hold the program's own masks: `path`, which is to be
// taken only when no one but root and the user running the program may
// change it and the folders it lies in up to `trustedBelow`.
struct ProgramMaskFolder {
    std::string path;
    std::string trustedBelow;
};

// One run over one folder: its masks and its counts. The banner, the
// closing block and the key wait are the program's (batch/program.h).
class BatchRun {
public:
    // Works in the current directory, which it reads and rewrites.
    explicit BatchRun(std::FILE* console = stdout)
        : BatchRun(console, platform::currentFolder(), platform::currentFolder()) {}
    // Reads the icons and masks of `source` and writes every file into
    // `output`, which may be `source` itself (a run in place).
    BatchRun(std::FILE* console, platform::Folder& source, platform::Folder& output)
        : console_(console), source_(source), output_(output) {}

    // Takes the masks of the whole run, loaded once, instead of the source
    // folder's.
    void useMasks(const MaskSet& masks) { masks_ = &masks; }
    // Leaves alone what other parts of the run wrote into the output: this
    // is part `part`, and what it writes is noted in `ledger` too.
    void keepTrackIn(OutputLedger& ledger, int part) {
        ledger_ = &ledger;
        part_ = part;
    }
    const MaskSet& masks() const { return *masks_; }
    // What a run with arguments adds (a run without them stays as it always
    // was): PNG pictures are icons and masks too (NAME.png gives NAME.tga,
    // which is then no icon of its own, and the PNG is never written); a
    // source folder that holds none of the four mask files takes
    // the program's own masks, from the first of `programMasks` that holds
    // a mask file and only root and the user running it may change; an icon
    // that a loaded mask was not laid over, its size being another, gets a
    // note after its report line; an icon that cannot be read gets a
    // warning, and a folder named like an icon a note.
    void withArguments(std::vector<ProgramMaskFolder> programMasks) {
        withArguments_ = true;
        programMasks_ = std::move(programMasks);
    }
    // Fits an icon that is not the masks' size to it (TgaImage::fitTo); the
    // size is that of the first mask loaded.
    void fitToMasks() { fit_ = true; }
    // Also shows the part on the preview page `page` (open, and committed
    // by the caller): `folder` and `output`, where the files go, as the
    // user named them ("" for the current directory).
    void showOn(PageFile& page, const std::string& folder, const std::string& output) {
        page_ = &page;
        pageFolder_ = folder;
        pageOutput_ = output;
    }

    // How many icons the part counted: worked on, or left as they were.
    int candidates() const { return candidateCount_; }

    // Works on the source folder: mask notes, one line per icon and the
    // summary.
    void workOnFolder();
    // The same for the named entries of the source folder alone, taken in
    // the order a run would take them. A name that is no icon, or a file
    // that cannot be opened, gets a line of its own where it would have
    // stood.
    void workOnFiles(std::vector<std::string> names);

    // Loads the four masks of the source folder, noting each missing or
    // unusable one; returns how many are usable.
    int loadMasks() { return ownMasks_.load(source_, console_, withArguments_); }

    // Works on one directory entry: 1 when the icon was loaded and rewritten,
    // 0 when the name is no icon's or the file is left as it was. Lack of
    // memory costs this icon alone, with a line.
    int processFile(const std::string& name);

private:
    // Fits `source` to the masks' size, with --fit.
    void fitToMasks(TgaImage& source);
    // In a run with arguments, the PNG file beside the TGA file `name` that
    // it is made from; "" when there is none.
    std::string pngTwinOf(const std::string& name);
    // Reads the icon named `name` and writes its files, as `outcome` tells.
    void processIcon(const std::string& name, IconOutcome& outcome);
    // Reads the icon `outcome.fileName` into `source`: whether and how.
    void readIcon(TgaImage& source, platform::Readers& readers, IconOutcome& outcome);
    // The icon's lines of the report, and the warnings of the variants
    // that were to be written and were not.
    void report(const IconOutcome& outcome, const TgaImage& source);
    void reportVariants(const IconOutcome& outcome);
    // The start and the end of the part: the folder's own masks (unless
    // the run's are used), and the part's section of the page; the summary
    // (none for a negative count: there were no icons to count).
    void start();
    void finish(int processedCount);
    // Opens in `folder` the folder of the program's own masks that the
    // source folder takes (see withArguments); null when there is none.
    const ProgramMaskFolder* openProgramMasks(platform::Folder& folder);

    std::FILE* console_;
    platform::Folder& source_;
    platform::Folder& output_;
    MaskSet ownMasks_;
    const MaskSet* masks_ = &ownMasks_;
    OutputLedger* ledger_ = nullptr;
    int part_ = 0;
    int candidateCount_ = 0;
    PageFile* page_ = nullptr;
    std::string pageFolder_;
    std::string pageOutput_;
    bool withArguments_ = false;
    bool fit_ = false;
    std::vector<ProgramMaskFolder> programMasks_;
};
