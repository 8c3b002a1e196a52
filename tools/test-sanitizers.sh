#!/usr/bin/env bash
# The whole test suite once more, built with AddressSanitizer and UBSan
# (any finding aborts the test that made it). Called by tools/test.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"
# Leaks count as failures too; the tool's own child processes inherit this.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
build_and_test "$root/build-test/sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBD_SANITIZE=ON
