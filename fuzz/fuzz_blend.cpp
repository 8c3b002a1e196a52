// libFuzzer entry point: see checkBlend in checks.h for what is checked.
#include <cstddef>
#include <cstdint>

#include "checks.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz_target::enterScratchDirectory(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_target::require(fuzz_checks::checkBlend(data, size));
    return 0;
}
