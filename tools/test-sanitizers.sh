#!/usr/bin/env bash
# The whole test suite once more, built with AddressSanitizer and UBSan
# (any finding aborts the test that made it). Called by tools/test.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$root/build-test/sanitize"
echo "== Sanitizer build (address, undefined)"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBD_WERROR=ON -DBD_SANITIZE=ON >/dev/null
cmake --build "$dir" -j"$(nproc)"
# Leaks count as failures too; the tool's own child processes inherit this.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$dir" && ctest --output-on-failure -j"$(nproc)")
