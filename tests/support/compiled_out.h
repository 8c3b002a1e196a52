// Tests that are not built for this system, each with the reason, so that a
// run says what it left out rather than leaving it out silently. Noted where
// the system's own tests are, at static initialisation; the test programs'
// main lists them after the run.
#pragma once

#include <string>
#include <vector>

namespace test_support {

struct CompiledOutTest {
    std::string name;  // Suite.Test, as it is called where it is built
    std::string reason;
};

bool noteCompiledOut(const char* name, const char* reason);
const std::vector<CompiledOutTest>& compiledOutTests();

}  // namespace test_support

// Notes that Suite.Test is not built here, and why.
#define COMPILED_OUT(suite, test, reason)                                             \
    [[maybe_unused]] static const bool compiledOut_##suite##_##test##_ =              \
        ::test_support::noteCompiledOut(#suite "." #test, reason)
