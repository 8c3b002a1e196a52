// Every text the tool prints, in one place. BD_VERSION, the version
// number, is defined for the files of the run (CMakeLists.txt).
#pragma once

namespace texts {

// The community site and the contact address are placeholders under the
// reserved .example domain.
#define BD_CLOSING_LINES                                                                   \
    "********************** Feedback ***********************************************\n"    \
    "WWW.TOLVAREN-MODDING.EXAMPLE\tVisit our Russian Modmaking Community\n"                \
    "BUTTONS@TOLVAREN-MODDING.EXAMPLE\tMail me if you have any questions or suggestions\n" \
    "\t\tThis file was downloaded from www.tolvaren-modding.example\n"
#define BD_KEY_PROMPT "Press any key to exit ..."

inline constexpr const char* kBanner =
    "********************** Tolvaren 3 Button Disabler *****************************\n"
    "This executive was coded by VORNEK and is used to disable Tolvaren3 32 bit tga\n"
    "buttons. This reads all *.tga files in current directory that don't have prefix "
    "\"DIS\" or \"PAS\" and don't have suffix \"_Autocast\" in filename and creates new\n"
    "file which is the blended with filter copy of the source. Then it adds prefix\n"
    "or suffix depending of which filter was used and saves image in new file. Also\n"
    "it restores sourcefile to format which can be easy red by Tolvaren 3\n"
    "(TGA 32 bitt with normal image orientation and witout RLE compression)\n"
    "********************** Blending Filters ***************************************\n"
    "ZOF_NORMAL_MASK.tga\t\tBlends original image with this file\n"
    "ZOF_DISABLED_MASK.tga\t\tBlends image with this file\n"
    "\t\t\t\tand adds prefix 'DIS' before filename\n"
    "ZOF_PASSIVE_MASK.tga\t\tBlends image with this file\n"
    "\t\t\t\tand adds prefix 'PAS' before filename\n"
    "ZOF_AUTOCAST_MASK.tga\t\tBlends image with this file\n"
    "\t\t\t\tand adds suffix '_Autocast' to filename\n";
// Ends with the key prompt, which has no line end.
inline constexpr const char* kClosingBlock = BD_CLOSING_LINES BD_KEY_PROMPT;
// The same without the prompt, for a run that does not wait for a key.
inline constexpr const char* kClosingWithoutPrompt = BD_CLOSING_LINES;
// The key prompt alone, shown on the console itself when the output goes
// elsewhere.
inline constexpr const char* kKeyPrompt = BD_KEY_PROMPT;

// printf formats; each %s takes a file name. A mask's notes take its file
// name and its kind (MaskKind::kind).
inline constexpr const char* kMaskNotFound = "NOTE:\tFile \"%s\" not found. No %s mask found!\n";
inline constexpr const char* kMaskUnusable = "NOTE:\tFile \"%s\" is not a usable mask. No %s mask found!\n";
inline constexpr const char* kNoMaskAtAll = "WARN:\tCan't find any mask! Nothing to process\n";
inline constexpr const char* kNoTgaFiles = "No *.tga files in current directory!\n";
inline constexpr const char* kProcessingHeader =
    "********************** Processing *********************************************\n";
inline constexpr const char* kNotTrueColour =
    "WARN:\tFile \"%s\" is not a 24 or 32 bit true-colour TGA. Left unchanged!\n";
inline constexpr const char* kTruncated = "WARN:\tFile \"%s\" is truncated. Left unchanged!\n";
inline constexpr const char* kCannotWrite = "WARN:\tCan't write file \"%s\"!\n";
// An icon whose files another part of the run has written into the output.
inline constexpr const char* kAlreadyWritten = "WARN:\tFile \"%s\" was already written by this run. Skipped!\n";
// Report line of an icon: name, width, height.
inline constexpr const char* kReportUncompressed = "%-22s\tNormal\t%4d\t%4d\n";
inline constexpr const char* kReportRunLength = "%-22s\tRLE   \t%4d\t%4d\n";
// An icon read from a PNG file (runs with arguments): the TGA written and
// its size as written.
inline constexpr const char* kReportPng = "%-22s\tPNG   \t%4d\t%4d\n";
// A PNG file (%s) the tool cannot read as a picture.
inline constexpr const char* kUnreadablePng = "WARN:\tFile \"%s\" is not a PNG picture the tool can read. Skipped!\n";
// Summary: processed, candidates.
inline constexpr const char* kSummary = "Processing complete! %d of %d files processed\n";
// The preview page written (%s: its path).
inline constexpr const char* kPreviewWritten = "Preview: \"%s\"\n";
// Memory ran out while an icon (%s: its name) was worked on: its files are
// each written whole or not at all, and the run goes on with the next.
inline constexpr const char* kOutOfMemory = "WARN:\tOut of memory for file \"%s\"!\n";
// Memory ran out elsewhere: the rest of the run is not done.
inline constexpr const char* kRunOutOfMemory = "WARN:\tOut of memory! The rest of the run is not done.\n";

// What a run with arguments says beyond a run without: the folder of the
// program's own masks that a folder without any mask file takes (%s), and
// an icon (name, width, height) that masks of another size were not laid
// over (%s: each size passed over with its masks' kinds, as
// kMaskSizeAndKinds makes it, joined by ", ").
inline constexpr const char* kUsingProgramMasks = "NOTE:\tNo masks beside the icons: using those in \"%s\"!\n";
// A folder of the program's own masks (%s) passed over: users other than
// root and the one running the program may change it.
inline constexpr const char* kProgramMasksNotTrusted =
    "NOTE:\tMasks in \"%s\" not used: users other than root and you may change them!\n";
inline constexpr const char* kMasksPassedOver =
    "NOTE:\tIcon \"%s\" is %d x %d: the masks of %s do not fit it and were passed over (--fit fits it to them)!\n";
// The same with --fit: the masks of a size other than the one fitted to.
inline constexpr const char* kMasksPassedOverFitted =
    "NOTE:\tIcon \"%s\" is %d x %d: the masks of %s do not fit it and were passed over!\n";
inline constexpr const char* kMaskSizeAndKinds = "%d x %d (%s)";

// The command line. The usage answers --help and follows the error about an
// unknown option (%s: the option); the version line takes kVersionNumber.
inline constexpr const char* kUsage =
    "Usage: button-disabler [OPTION]... [FOLDER | ICON.tga | ICON.png]...\n"
    "Writes the disabled, passive and autocast variants of Tolvaren 3 button icons\n"
    "(TGA files), each the icon with a mask laid over it, lays the normal mask over\n"
    "the icon itself and rewrites it as an uncompressed 32-bit TGA.\n"
    "\n"
    "Masks, taken from the folder of the icons, or from the folder --masks names:\n"
    "  ZOF_NORMAL_MASK.tga     laid over every icon itself\n"
    "  ZOF_DISABLED_MASK.tga   makes DIS<name>.tga\n"
    "  ZOF_PASSIVE_MASK.tga    makes PAS<name>.tga\n"
    "  ZOF_AUTOCAST_MASK.tga   makes <name>_Autocast.tga\n"
    "\n"
    "Arguments (on Windows, drop folders or icons on the program instead):\n"
    "  (none)     every icon in the current folder\n"
    "  FOLDER     every icon in FOLDER; several folders are done in turn\n"
    "  ICON.tga   this icon alone, with the masks of its own folder\n"
    "  ICON.png   the same for a PNG picture: ICON.tga is made from it\n"
    "\n"
    "Options:\n"
    "  -h, --help, /?    show this help and exit\n"
    "      --version     show the version and exit\n"
    "      --no-wait     do not wait for a key at the end\n"
    "  -o, --output=DIR  write every icon and its variants into DIR (made when\n"
    "                    missing) and only read the folders and icons given: a\n"
    "                    second run writes the same files again\n"
    "      --masks=DIR   take the four masks from DIR, once for the whole run; the\n"
    "                    mask files beside the icons are then passed over\n"
    "      --preview     also write button-disabler-preview.html into each folder\n"
    "                    worked on (with --output, into DIR): a page that shows\n"
    "                    every icon as read and as written, with its variants\n"
    "      --fit         scale an icon the masks do not fit to their size, centred\n"
    "                    on transparent padding\n"
    "  --                what follows are folders or icons, even if it starts with -\n"
    "\n"
    "Without arguments the run is exactly what it always was. Given any argument,\n"
    "a folder holding none of the four masks takes the program's own (the masks\n"
    "folder beside it, else share/button-disabler/masks beside its folder; each\n"
    "only while root and you alone may change it), PNG pictures are icons and masks\n"
    "too (NAME.png gives NAME.tga, and is the artwork where both stand; the PNG\n"
    "itself is never written), an icon the masks do not fit gets a note, an icon\n"
    "that cannot be read a warning, and the exit status is 1\n"
    "after a WARN line or when every path given was skipped (0 otherwise, 2 for a\n"
    "wrong option).\n";
inline constexpr const char* kUnknownOption = "button-disabler: unknown option \"%s\"\n";
// An option given without the folder it takes (%s: the option).
inline constexpr const char* kOptionNeedsFolder = "button-disabler: option \"%s\" needs a folder\n";
inline constexpr const char* kVersion = "button-disabler %s\n";
inline constexpr const char* kVersionNumber = BD_VERSION;

// Runs over the folders and files named on the command line. The heading
// stands before each folder's part when there are several: the folder as
// given, then the stars that fill the line to the width of the others.
inline constexpr const char* kFolderHeading = "********************** Folder \"%s\" %s\n";
inline constexpr int kHeadingWidth = 79;
// Each %s takes a path as given on the command line.
inline constexpr const char* kPathNotFound = "WARN:\tPath \"%s\" not found!\n";
inline constexpr const char* kCannotOpen = "WARN:\tCan't open \"%s\"!\n";
// The output folder, as given, when it cannot be made or written.
inline constexpr const char* kCannotWriteFolder = "WARN:\tCan't write to folder \"%s\"!\n";
// A path given with others that is the output folder, or lies inside it
// (%s: the path as given).
inline constexpr const char* kSkippedOutputFolder = "NOTE:\tFolder \"%s\" is the output folder. Skipped!\n";
inline constexpr const char* kSkippedInOutputFolder = "NOTE:\tPath \"%s\" is inside the output folder. Skipped!\n";
// Files given by name that are no icons; each %s takes the file's name.
inline constexpr const char* kSkippedNotTga = "NOTE:\tFile \"%s\" is not a *.tga file. Skipped!\n";
inline constexpr const char* kSkippedMask = "NOTE:\tFile \"%s\" is a mask, not an icon. Skipped!\n";
inline constexpr const char* kSkippedVariantPrefix =
    "NOTE:\tFile \"%s\" has the prefix \"DIS\" or \"PAS\" of a variant, not an icon. Skipped!\n";
inline constexpr const char* kSkippedAutocastSuffix =
    "NOTE:\tFile \"%s\" has the suffix \"_Autocast\" of a variant, not an icon. Skipped!\n";
inline constexpr const char* kSkippedFolder = "NOTE:\tFile \"%s\" is a folder, not an icon. Skipped!\n";

#undef BD_CLOSING_LINES
#undef BD_KEY_PROMPT

}  // namespace texts
