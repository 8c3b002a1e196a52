#!/usr/bin/env bash
# Runs the whole test suite: installs what is missing, builds warning-free in
# Debug and Release, runs every test of both builds (the read-only tests also
# as an unprivileged user when run as root), then runs the end-to-end
# tests once more against the Windows build under wine; then runs each fuzz
# target for a minute (FUZZ_SECONDS=0 skips that) and the whole suite again
# under AddressSanitizer and UBSan.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh"
jobs="$(nproc)"
for type in Debug Release; do
  dir="$root/build-test/$(echo "$type" | tr '[:upper:]' '[:lower:]')"
  echo "== $type build"
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE="$type" -DBD_WERROR=ON >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
done
"$root/tools/test-read-only.sh" "$root/build-test/release"
"$root/tools/test-windows.sh"
if [ "${FUZZ_SECONDS:-60}" != 0 ]; then
  "$root/fuzz/smoke.sh"
fi
"$root/tools/test-sanitizers.sh"
