// What the tests need from outside the project, and what this process may
// do: the third-party TGA corpus, and whether permission bits bind it.
#pragma once

#include <string>

namespace test_support {

// The third-party TGA corpus: the folder named by BD_TGA_CORPUS, else
// shared/testdata/tga-corpus beside the project's folder.
std::string corpusRoot();
// Empty when the corpus is there; otherwise why the tests that need it
// cannot run, naming the folder looked for.
std::string corpusMissingReason();
// Whether the tests run in continuous integration (CI=true), where nothing
// they need may be missing.
bool runningInCi();
// Empty when a folder made read-only (chmod 0555) stops the tool from
// making files in it; otherwise why it does not.
std::string readOnlyFolderUnboundReason();

}  // namespace test_support

// Skips the test when the corpus is missing; where CI=true that is a
// failure instead, so that CI always runs the corpus tests.
#define SKIP_WITHOUT_CORPUS()                                                              \
    do {                                                                                   \
        const std::string missing_ = ::test_support::corpusMissingReason();                \
        if (!missing_.empty()) {                                                           \
            if (::test_support::runningInCi()) FAIL() << missing_ << " (CI=true: required)"; \
            GTEST_SKIP() << missing_;                                                      \
        }                                                                                  \
    } while (0)

// Skips a test of read-only folders where making a folder read-only does
// not stop this process from making files in it.
#define SKIP_UNLESS_READ_ONLY_FOLDERS_BIND()                                                 \
    if (const std::string why_ = ::test_support::readOnlyFolderUnboundReason(); !why_.empty()) \
    GTEST_SKIP() << why_
