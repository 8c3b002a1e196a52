// The work on one folder: masks, one pass over its icons, report.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "batch/mask_set.h"

// One run over one folder: its masks and its counts. The banner, the
// closing block and the key wait are the program's (batch/program.h).
class BatchRun {
public:
    explicit BatchRun(std::FILE* console = stdout) : console_(console) {}

    // Works on the current directory: mask notes, one line per icon and the
    // summary.
    void workOnFolder();
    // The same for the named entries of the current directory alone, taken
    // in the order a run would take them. A name that is no icon, or a file
    // that cannot be opened, gets a line of its own where it would have
    // stood.
    void workOnFiles(std::vector<std::string> names);

    // Loads the four masks, noting each missing or unusable one; returns how
    // many are usable.
    int loadMasks();

    // Works on one directory entry: 1 when the icon was loaded and rewritten,
    // 0 when the name is no icon's or the file is left as it was.
    int processFile(const std::string& name);

private:
    std::FILE* console_;
    MaskSet masks_;
    int candidateCount_ = 0;
};
