// The test programs' main: GoogleTest's, plus a record of every skipped test
// and its reason in the file named by BD_SKIP_LOG (one line each), from
// which tools/test.sh tells in its summary what did not run and why.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class SkipRecorder : public testing::EmptyTestEventListener {
public:
    explicit SkipRecorder(const char* path) : path_(path) {}

    // Noted here: asking GoogleTest for the current test while it reports a
    // result would deadlock.
    void OnTestStart(const testing::TestInfo& test) override {
        test_ = std::string(test.test_suite_name()) + "." + test.name();
    }

    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (!result.skipped()) return;
        std::FILE* log = std::fopen(path_, "a");
        if (log == nullptr) return;
        std::string reason = result.message();
        for (char& c : reason) {
            if (c == '\n' || c == '\t') c = ' ';
        }
        std::fprintf(log, "%s\t%s\n", test_.c_str(), reason.c_str());
        std::fclose(log);
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
    return RUN_ALL_TESTS();
}
