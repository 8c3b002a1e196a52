// The tool's fixed console texts, written out independently of its sources.
#pragma once

#include <string>

namespace test_support {

extern const char* const kExpectedBanner;
extern const char* const kExpectedClosing;
extern const char* const kAllMasksMissing;
extern const char* const kProcessingHeader;

// One line of the report: the icon's name, how its pixels were stored
// ("Normal", or "RLE" for run-length data), its width and its height.
std::string reportLine(const std::string& name, int width, int height, bool runLength = false);
// The line that ends a folder's report.
std::string summaryLine(int processed, int candidates);

// Checks that `output` starts with the banner and ends with the closing
// block; returns what stands between them ("" with a test failure if not).
std::string bodyOf(const std::string& output);

}  // namespace test_support
