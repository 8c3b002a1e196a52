// The tool's fixed console texts, written out independently of its sources.
#pragma once

#include <string>

namespace test_support {

extern const char* const kExpectedBanner;
extern const char* const kExpectedClosing;
extern const char* const kAllMasksMissing;

// Checks that `output` starts with the banner and ends with the closing
// block; returns what stands between them ("" with a test failure if not).
std::string bodyOf(const std::string& output);

}  // namespace test_support
