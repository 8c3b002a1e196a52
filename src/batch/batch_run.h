// The whole life of the program: banner, masks, one pass over the icons of
// the current directory, report, and the wait for a key.
#pragma once

#include <cstdio>
#include <string>

#include "batch/mask_set.h"

class BatchRun {
public:
    explicit BatchRun(std::FILE* console = stdout) : console_(console) {}

    // Runs everything and returns the exit status (always 0).
    int runBatch();

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
