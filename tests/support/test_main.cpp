// The test programs' main: GoogleTest's, plus a record of every skipped test
// and its reason in the file named by BD_SKIP_LOG (one line each), from
// which tools/test.sh tells in its summary what did not run and why. Tests
// not built for this system are listed after a full run, and recorded there
// too.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/compiled_out.h"

namespace {

void appendToLog(const char* path, const std::string& test, std::string reason) {
    if (path == nullptr || *path == '\0') return;
    std::FILE* log = std::fopen(path, "a");
    if (log == nullptr) return;
    for (char& c : reason) {
        if (c == '\n' || c == '\t') c = ' ';
    }
    std::fprintf(log, "%s\t%s\n", test.c_str(), reason.c_str());
    std::fclose(log);
}

// After a run of every test (not of a chosen few, as a test's helper
// process makes): what this build leaves out, and why.
void listCompiledOut(const char* log) {
    const auto& tests = test_support::compiledOutTests();
    if (tests.empty() || testing::GTEST_FLAG(filter) != "*") return;
    std::printf("[ NOT BUILT ] %u test(s) are not built for this system:\n", static_cast<unsigned>(tests.size()));
    for (const auto& test : tests) {
        std::printf("[ NOT BUILT ] %s: %s\n", test.name.c_str(), test.reason.c_str());
        appendToLog(log, test.name, "not built for this system: " + test.reason);
    }
}

class SkipRecorder : public testing::EmptyTestEventListener {
public:
    explicit SkipRecorder(const char* path) : path_(path) {}

    // Noted here: asking GoogleTest for the current test while it reports a
    // result would deadlock.
    void OnTestStart(const testing::TestInfo& test) override {
        test_ = std::string(test.test_suite_name()) + "." + test.name();
    }

    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (result.skipped()) appendToLog(path_, test_, result.message());
    }

private:
    const char* path_;
    std::string test_;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const char* log = std::getenv("BD_SKIP_LOG");
    if (log != nullptr && *log != '\0') {
        testing::UnitTest::GetInstance()->listeners().Append(new SkipRecorder(log));
    }
    int status = RUN_ALL_TESTS();
    listCompiledOut(log);
    return status;
}
