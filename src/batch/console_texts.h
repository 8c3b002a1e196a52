// Every text the tool prints, in one place.
#pragma once

namespace texts {

extern const char* const kBanner;
extern const char* const kClosingBlock;

// printf formats; each %s takes a file name.
extern const char* const kNormalMaskNotFound;
extern const char* const kDisabledMaskNotFound;
extern const char* const kPassiveMaskNotFound;
extern const char* const kAutocastMaskNotFound;
extern const char* const kNormalMaskUnusable;
extern const char* const kDisabledMaskUnusable;
extern const char* const kPassiveMaskUnusable;
extern const char* const kAutocastMaskUnusable;
extern const char* const kNoMaskAtAll;
extern const char* const kNoTgaFiles;
extern const char* const kProcessingHeader;
extern const char* const kNotTrueColour;
extern const char* const kTruncated;
extern const char* const kCannotWrite;
// Report line of an icon: name, width, height.
extern const char* const kReportUncompressed;
extern const char* const kReportRunLength;
// Summary: processed, candidates.
extern const char* const kSummary;

}  // namespace texts
