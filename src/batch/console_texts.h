// Every text the tool prints, in one place.
#pragma once

namespace texts {

extern const char* const kBanner;
// Ends with the key prompt, which has no line end.
extern const char* const kClosingBlock;
// The same without the prompt, for a run that does not wait for a key.
extern const char* const kClosingWithoutPrompt;
// The key prompt alone, shown on the console itself when the output goes
// elsewhere.
extern const char* const kKeyPrompt;

// printf formats; each %s takes a file name. A mask's notes take its file
// name and its kind (MaskKind::kind).
extern const char* const kMaskNotFound;
extern const char* const kMaskUnusable;
extern const char* const kNoMaskAtAll;
extern const char* const kNoTgaFiles;
extern const char* const kProcessingHeader;
extern const char* const kNotTrueColour;
extern const char* const kTruncated;
extern const char* const kCannotWrite;
// An icon whose files another part of the run has written into the output.
extern const char* const kAlreadyWritten;
// Report line of an icon: name, width, height.
extern const char* const kReportUncompressed;
extern const char* const kReportRunLength;
// Summary: processed, candidates.
extern const char* const kSummary;
// The preview page written (%s: its path).
extern const char* const kPreviewWritten;
// Memory ran out while an icon (%s: its name) was worked on: its files are
// each written whole or not at all, and the run goes on with the next.
extern const char* const kOutOfMemory;
// Memory ran out elsewhere: the rest of the run is not done.
extern const char* const kRunOutOfMemory;

// What a run with arguments says beyond a run without: the folder of the
// program's own masks that a folder without any mask file takes (%s), and
// an icon (name, width, height) that masks of another size were not laid
// over (%s: each size passed over with its masks' kinds, as
// kMaskSizeAndKinds makes it, joined by ", ").
extern const char* const kUsingProgramMasks;
// A folder of the program's own masks (%s) passed over: users other than
// root and the one running the program may change it.
extern const char* const kProgramMasksNotTrusted;
extern const char* const kMasksPassedOver;
extern const char* const kMaskSizeAndKinds;

// The command line. The usage answers --help and follows the error about an
// unknown option (%s: the option); the version line takes kVersionNumber.
extern const char* const kUsage;
extern const char* const kUnknownOption;
// An option given without the folder it takes (%s: the option).
extern const char* const kOptionNeedsFolder;
extern const char* const kVersion;
extern const char* const kVersionNumber;

// Runs over the folders and files named on the command line. The heading
// stands before each folder's part when there are several: the folder as
// given, then the stars that fill the line to the width of the others.
extern const char* const kFolderHeading;
extern const int kHeadingWidth;
// Each %s takes a path as given on the command line.
extern const char* const kPathNotFound;
extern const char* const kCannotOpen;
// The output folder, as given, when it cannot be made or written.
extern const char* const kCannotWriteFolder;
// A path given with others that is the output folder, or lies inside it
// (%s: the path as given).
extern const char* const kSkippedOutputFolder;
extern const char* const kSkippedInOutputFolder;
// Files given by name that are no icons; each %s takes the file's name.
extern const char* const kSkippedNotTga;
extern const char* const kSkippedMask;
extern const char* const kSkippedVariantPrefix;
extern const char* const kSkippedAutocastSuffix;
extern const char* const kSkippedFolder;

}  // namespace texts
