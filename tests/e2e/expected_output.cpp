#include "e2e/expected_output.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace test_support {

const char* const kExpectedBanner =
    "********************** Tolvaren 3 Button Disabler *****************************\n"
    "This executive was coded by VORNEK and is used to disable Tolvaren3 32 bit tga\n"
    "buttons. This reads all *.tga files in current directory that don't have prefix \"DIS\" or "
    "\"PAS\" and don't have suffix \"_Autocast\" in filename and creates new\n"
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

const char* const kExpectedClosing =
    "********************** Feedback ***********************************************\n"
    "WWW.TOLVAREN-MODDING.EXAMPLE\tVisit our Russian Modmaking Community\n"
    "BUTTONS@TOLVAREN-MODDING.EXAMPLE\tMail me if you have any questions or suggestions\n"
    "\t\tThis file was downloaded from www.tolvaren-modding.example\n"
    "Press any key to exit ...";

const char* const kAllMasksMissing =
    "NOTE:\tFile \"ZOF_NORMAL_MASK.tga\" not found. No normal mask found!\n"
    "NOTE:\tFile \"ZOF_DISABLED_MASK.tga\" not found. No disabled mask found!\n"
    "NOTE:\tFile \"ZOF_PASSIVE_MASK.tga\" not found. No passive mask found!\n"
    "NOTE:\tFile \"ZOF_AUTOCAST_MASK.tga\" not found. No autocast mask found!\n"
    "WARN:\tCan't find any mask! Nothing to process\n";

const char* const kProcessingHeader =
    "********************** Processing *********************************************\n";

std::string reportLine(const std::string& name, int width, int height, bool runLength) {
    char line[512];
    std::snprintf(line, sizeof line, "%-22s\t%s\t%4d\t%4d\n", name.c_str(), runLength ? "RLE   " : "Normal", width,
                  height);
    return line;
}

std::string summaryLine(int processed, int candidates) {
    return "Processing complete! " + std::to_string(processed) + " of " + std::to_string(candidates) +
           " files processed\n";
}

std::string bodyOf(const std::string& output) {
    std::string banner = kExpectedBanner;
    std::string closing = kExpectedClosing;
    bool framed = output.size() >= banner.size() + closing.size() &&
                  output.compare(0, banner.size(), banner) == 0 &&
                  output.compare(output.size() - closing.size(), closing.size(), closing) == 0;
    EXPECT_TRUE(framed) << "output not framed by banner and closing block:\n" << output;
    if (!framed) return "";
    return output.substr(banner.size(), output.size() - banner.size() - closing.size());
}

}  // namespace test_support
