#!/usr/bin/env bash
# The fuzz stage of the test suite: every target for 60 seconds.
set -euo pipefail
exec "$(dirname "$0")/run.sh" "${FUZZ_SECONDS:-60}"
