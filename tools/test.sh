#!/usr/bin/env bash
# Runs the whole test suite, stage by stage, and ends with one summary line
# per stage (passed, skipped and why, or failed). A failing stage does not
# stop the later ones; the exit status is 0 only when none failed.
#
# Stages: the Debian packages the suite needs (all installed up front);
# Debug and Release builds, warning-free, with every test; the read-only
# tests once more without root's override (when run as root); the preview
# page opened in chromium without a display (tools/test-browser.sh); the
# Windows build and its end-to-end tests under wine; the release packages, made
# and their contents checked, and as root the .deb installed, run and
# removed (tools/package.sh); each fuzz target on a fixed seed (FUZZ_RUNS
# inputs, 0 skips the stage); the whole suite under AddressSanitizer and
# UBSan.
#
# Tests that need the third-party TGA corpus look for it in
# ../shared/testdata/tga-corpus beside the project, or where BD_TGA_CORPUS
# points; without it they are skipped, and where CI=true they fail.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"

summary=()
failures=0
stage_files="$(mktemp -d "${TMPDIR:-/tmp}/bd-stages-XXXXXX")"
trap 'rm -rf "$stage_files"' EXIT

# Lines of standard input as one line, separated by "; ".
join_lines() {
  awk 'NR > 1 { printf "; " } { printf "%s", $0 }'
}

# Runs one stage. Exit status 0 is passed, 77 skipped, anything else failed;
# the stage's notes, and the tests it skipped with their reasons, go on
# its summary line.
stage() {
  local name="$1" status=0 details=""
  shift
  echo
  echo "== $name"
  : >"$stage_files/notes"
  : >"$stage_files/skips"
  BD_STAGE_NOTES="$stage_files/notes" BD_SKIP_LOG="$stage_files/skips" "$@" || status=$?
  details="$(join_lines <"$stage_files/notes")"
  if [ -s "$stage_files/skips" ]; then
    local skipped
    skipped="$(cut -f2- "$stage_files/skips" | sort | uniq -c | sed -E 's/^ *([0-9]+) /\1 skipped: /' | join_lines)"
    details="${details:+$details; }$skipped"
  fi
  local outcome
  case "$status" in
    0) outcome="passed${details:+ ($details)}" ;;
    77) outcome="skipped (${details:-no reason given})" ;;
    *) outcome="FAILED with exit status $status${details:+ ($details)}"; failures=$((failures + 1)) ;;
  esac
  summary+=("$name: $outcome")
  echo "== $name: ${outcome%% *}"
}

# A stage left out on purpose.
skipped_because() {
  note "$*"
  return 77
}

choose_wine_build || exit 2
packages=(cmake make g++ libgtest-dev libpng-dev pkg-config libdeflate-dev libstb-dev util-linux clang-14 libclang-rt-14-dev
  chromium python3 dpkg-dev lintian)
read -r -a windows_packages <<<"$(wine_packages)"
packages+=("${windows_packages[@]}")

stage "Debian packages" "$root/tools/install-deps.sh" "${packages[@]}"
if [ "$failures" -ne 0 ]; then
  printf '%s\n' "" "== Summary" "${summary[@]}"
  echo "Nothing else can run without these packages."
  exit 1
fi

stage "Debug build and tests" build_and_test "$root/build-test/debug" -DCMAKE_BUILD_TYPE=Debug
stage "Release build and tests" build_and_test "$root/build-test/release" -DCMAKE_BUILD_TYPE=Release
stage "Read-only tests without root's override" "$root/tools/test-read-only.sh" "$root/build-test/release"
stage "Preview page in a headless browser" "$root/tools/test-browser.sh" "$root/build-test/release"
stage "Windows build and end-to-end tests under wine" "$root/tools/test-windows.sh"
stage "Release packages made and checked" "$root/tools/package.sh"
if [ "${FUZZ_RUNS:-}" = 0 ]; then
  stage "Fuzz targets on a fixed seed" skipped_because "FUZZ_RUNS=0"
else
  stage "Fuzz targets on a fixed seed" "$root/fuzz/smoke.sh"
fi
stage "AddressSanitizer and UBSan build and tests" "$root/tools/test-sanitizers.sh"

echo
echo "== Summary"
printf '%s\n' "${summary[@]}"
if [ "$failures" -ne 0 ]; then
  echo "$failures stage(s) failed."
  exit 1
fi
echo "All stages passed."
