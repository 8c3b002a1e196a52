#!/usr/bin/env bash
# The fuzz stage of the test suite: each target replays its regression
# inputs, then tries FUZZ_RUNS inputs (default 40000) from a fixed seed, so
# that the outcome depends on the code alone. The long random search is
# fuzz/run.sh SECONDS.
set -euo pipefail
exec "$(dirname "$0")/run.sh" --runs "${FUZZ_RUNS:-40000}"
