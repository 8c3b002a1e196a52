#include "batch/console_texts.h"

namespace texts {

const char* const kBanner =
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

// The community site and the contact address are placeholders under the
// reserved .example domain.
#define BD_CLOSING_LINES                                                                   \
    "********************** Feedback ***********************************************\n"    \
    "WWW.TOLVAREN-MODDING.EXAMPLE\tVisit our Russian Modmaking Community\n"                \
    "BUTTONS@TOLVAREN-MODDING.EXAMPLE\tMail me if you have any questions or suggestions\n" \
    "\t\tThis file was downloaded from www.tolvaren-modding.example\n"
#define BD_KEY_PROMPT "Press any key to exit ..."
const char* const kClosingBlock = BD_CLOSING_LINES BD_KEY_PROMPT;
const char* const kClosingWithoutPrompt = BD_CLOSING_LINES;
const char* const kKeyPrompt = BD_KEY_PROMPT;

const char* const kMaskNotFound = "NOTE:\tFile \"%s\" not found. No %s mask found!\n";
const char* const kMaskUnusable = "NOTE:\tFile \"%s\" is not a usable mask. No %s mask found!\n";
const char* const kNoMaskAtAll = "WARN:\tCan't find any mask! Nothing to process\n";
const char* const kNoTgaFiles = "No *.tga files in current directory!\n";
const char* const kProcessingHeader =
    "********************** Processing *********************************************\n";
const char* const kNotTrueColour =
    "WARN:\tFile \"%s\" is not a 24 or 32 bit true-colour TGA. Left unchanged!\n";
const char* const kTruncated = "WARN:\tFile \"%s\" is truncated. Left unchanged!\n";
const char* const kCannotWrite = "WARN:\tCan't write file \"%s\"!\n";
const char* const kAlreadyWritten = "WARN:\tFile \"%s\" was already written by this run. Skipped!\n";
const char* const kReportUncompressed = "%-22s\tNormal\t%4d\t%4d\n";
const char* const kReportRunLength = "%-22s\tRLE   \t%4d\t%4d\n";
const char* const kSummary = "Processing complete! %d of %d files processed\n";
const char* const kPreviewWritten = "Preview: \"%s\"\n";
const char* const kOutOfMemory = "WARN:\tOut of memory for file \"%s\"!\n";
const char* const kRunOutOfMemory = "WARN:\tOut of memory! The rest of the run is not done.\n";

const char* const kUsingProgramMasks = "NOTE:\tNo masks beside the icons: using those in \"%s\"!\n";
const char* const kProgramMasksNotTrusted =
    "NOTE:\tMasks in \"%s\" not used: users other than root and you may change them!\n";
const char* const kMasksPassedOver = "NOTE:\tIcon \"%s\" is %d x %d: the masks of %s do not fit it and were passed over!\n";
const char* const kMaskSizeAndKinds = "%d x %d (%s)";

const char* const kUsage =
    "Usage: button-disabler [OPTION]... [FOLDER | ICON.tga]...\n"
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
    "  --                what follows are folders or icons, even if it starts with -\n"
    "\n"
    "Without arguments the run is exactly what it always was. Given any argument,\n"
    "a folder holding none of the four masks takes the program's own (the masks\n"
    "folder beside it, else share/button-disabler/masks beside its folder; each\n"
    "only while root and you alone may change it), an icon the masks do not fit\n"
    "gets a note, an icon that cannot be read a warning, and the exit status is 1\n"
    "after a WARN line or when every path given was skipped (0 otherwise, 2 for a\n"
    "wrong option).\n";
const char* const kUnknownOption = "button-disabler: unknown option \"%s\"\n";
const char* const kOptionNeedsFolder = "button-disabler: option \"%s\" needs a folder\n";
const char* const kVersion = "button-disabler %s\n";
const char* const kVersionNumber = BD_VERSION;

const char* const kFolderHeading = "********************** Folder \"%s\" %s\n";
const int kHeadingWidth = 79;
const char* const kPathNotFound = "WARN:\tPath \"%s\" not found!\n";
const char* const kCannotOpen = "WARN:\tCan't open \"%s\"!\n";
const char* const kCannotWriteFolder = "WARN:\tCan't write to folder \"%s\"!\n";
const char* const kSkippedOutputFolder = "NOTE:\tFolder \"%s\" is the output folder. Skipped!\n";
const char* const kSkippedInOutputFolder = "NOTE:\tPath \"%s\" is inside the output folder. Skipped!\n";
const char* const kSkippedNotTga = "NOTE:\tFile \"%s\" is not a *.tga file. Skipped!\n";
const char* const kSkippedMask = "NOTE:\tFile \"%s\" is a mask, not an icon. Skipped!\n";
const char* const kSkippedVariantPrefix =
    "NOTE:\tFile \"%s\" has the prefix \"DIS\" or \"PAS\" of a variant, not an icon. Skipped!\n";
const char* const kSkippedAutocastSuffix =
    "NOTE:\tFile \"%s\" has the suffix \"_Autocast\" of a variant, not an icon. Skipped!\n";
const char* const kSkippedFolder = "NOTE:\tFile \"%s\" is a folder, not an icon. Skipped!\n";

}  // namespace texts
