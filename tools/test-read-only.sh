#!/usr/bin/env bash
# Root writes read-only files and folders at will (CAP_DAC_OVERRIDE); the
# tool refuses them by their own permission bits all the same, which the
# normal test runs check as root. This runs the tests of read-only icons and
# folders once more as root without that capability (and without
# CAP_DAC_READ_SEARCH), where the system binds root as it binds any user:
# the build folder stays in reach wherever the clone lies.
# Usage: tools/test-read-only.sh BUILD_DIR    (exit 77: skipped, with reason)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"
build="${1:?usage: tools/test-read-only.sh BUILD_DIR}"
if [ "$(id -u)" -ne 0 ]; then
  note "not root: the normal test runs already covered the read-only tests"
  exit 77
fi
dropped=(setpriv --inh-caps=-dac_override,-dac_read_search --bounding-set=-dac_override,-dac_read_search --)
if ! command -v setpriv >/dev/null; then
  note "setpriv (package util-linux) is missing, so root cannot give up its override"
  exit 77
fi
if ! "${dropped[@]}" true; then
  note "this machine does not let root give up CAP_DAC_OVERRIDE (setpriv failed)"
  exit 77
fi
for suite in unit_tests e2e_tests; do
  if [ ! -x "$build/tests/$suite" ]; then
    note "$build/tests/$suite is missing: the build it belongs to failed (see its stage)"
    exit 1
  fi
done
passed=0
for suite in unit_tests e2e_tests; do
  echo "-- $suite, *ReadOnly*, as root without CAP_DAC_OVERRIDE"
  output="$("${dropped[@]}" "$build/tests/$suite" --gtest_filter='*ReadOnly*' --gtest_brief=1 2>&1)" || {
    echo "$output"
    exit 1
  }
  echo "$output"
  passed=$((passed + $(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\.$/\1/p' <<<"$output")))
done
note "$passed tests passed as root without CAP_DAC_OVERRIDE"
