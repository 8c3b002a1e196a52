#include "support/compiled_out.h"

namespace test_support {
namespace {

std::vector<CompiledOutTest>& registry() {
    static std::vector<CompiledOutTest> tests;
    return tests;
}

}  // namespace

bool noteCompiledOut(const char* name, const char* reason) {
    registry().push_back({name, reason});
    return true;
}

const std::vector<CompiledOutTest>& compiledOutTests() {
    return registry();
}

}  // namespace test_support
