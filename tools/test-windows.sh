#!/usr/bin/env bash
# Tests the Windows build under wine: the unit tests (platform layer, fault
# injection, console) and the hostile-file tests cross-built as Windows
# programs, then the end-to-end tests against the Windows tool.
#
# The shipped program is the 32-bit (i686) one; it is always built and
# checked. Where the kernel runs 32-bit programs, the tests run against it
# under wine32. Some kernels run no 32-bit programs, and there wine32 cannot
# start: the tests then run against the same sources built for x86_64,
# under wine64. BD_WINE=32 or BD_WINE=64 forces the choice.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"

choose_wine_build
# shellcheck disable=SC2046  # one word per package
"$root/tools/install-deps.sh" cmake make g++ libgtest-dev libdeflate-dev libpng-dev libstb-dev bsdutils $(wine_packages)

echo "-- the shipped build: i686"
"$root/tools/build-windows.sh" i686
if [ "$wine_bits" = 32 ]; then
  arch=i686
  exe="$root/build-windows/button-disabler.exe"
  wine_loader=/usr/lib/wine/wine
  export WINEARCH=win32
else
  echo "-- the x86_64 build, for wine64"
  arch=x86_64
  "$root/tools/build-windows.sh" x86_64
  exe="$root/build-windows-x86_64/button-disabler.exe"
  # Called directly: /usr/bin/wine prefers wine32 whenever it is installed,
  # even where the kernel cannot run it.
  wine_loader=/usr/lib/wine/wine64
  export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
fi
echo "-- testing $(basename "$(dirname "$exe")")/button-disabler.exe under wine$wine_bits: $wine_reason"
if [ ! -x "$wine_loader" ]; then
  echo "error: $wine_loader is missing although its package is installed" >&2
  exit 1
fi

# The test programs as Windows programs, GoogleTest compiled from Debian's
# sources with them (the posix threading flavour: GoogleTest needs
# std::mutex). The end-to-end program stays native: it starts the tool.
windows_tests="$root/build-test/windows-$arch"
echo "-- the Windows test programs in $windows_tests"
libraries="$root/build-libraries/windows-$arch"
"$root/tools/windows-libraries.sh" "$arch" "$libraries"
quietly cmake -S "$root" -B "$windows_tests" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
  -DBD_MINGW_THREADS=posix -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON -DBD_WINDOWS_LIBRARIES="$libraries"
quietly cmake --build "$windows_tests" -j"$(nproc)" --target unit_tests hardening_tests

echo "-- the native end-to-end test program"
tests="$root/build-test/release"
quietly cmake -S "$root" -B "$tests" -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON
quietly cmake --build "$tests" -j"$(nproc)" --target e2e_tests

# A fresh prefix of our own, in the build folder and removed at the end:
# wine refuses one that another user owns, and a shared one could carry
# state between runs. What wine keeps besides stays in it too: the server's
# socket folder (in TMPDIR, which every wine process must share, so the
# end-to-end tests' scratch folders land there as well), fontconfig's cache
# and anything written for the desktop (XDG_*). No menu entries, no
# display, no debugger (a crash must show as a failure, not as a dump on
# standard output), no .NET or browser engine to install.
mkdir -p "$root/build-test"
prefix="$(mktemp -d "$root/build-test/wine-$arch-XXXXXX")"
mkdir "$prefix/tmp" "$prefix/cache" "$prefix/config" "$prefix/data"
export WINEPREFIX="$prefix" WINEDEBUG=-all TMPDIR="$prefix/tmp"
export XDG_CACHE_HOME="$prefix/cache" XDG_CONFIG_HOME="$prefix/config" XDG_DATA_HOME="$prefix/data"
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d'
unset DISPLAY WAYLAND_DISPLAY
# CI may run without HOME; wine wants one.
export HOME="${HOME:-$prefix}"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT

echo "-- making a wine prefix in $prefix"
start=$(date +%s)
quietly "$wine_loader" wineboot -i
wineserver -w
# A server that stays up makes every later start of the tool quick.
wineserver -p
booted=$(date +%s)
# A Windows path for a file of this machine: wine shows / as drive Z:.
windows_path() {
  echo "Z:$1"
}

# The tests' skips, and the tests not built for Windows, with their reasons:
# listed on lines of their own at the end, and only counted on the stage's
# summary line, which stays short.
skips="$prefix/skips.txt"
: >"$skips"
passed=()
# The "passed" count of a GoogleTest log, named after its program.
count_passed() {
  passed+=("$1 $(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$2" | tail -n 1) passed")
}

# Runs one Windows test program under wine, with a console: wine gives a
# program one only when it starts on a terminal, so it runs on a pseudo
# terminal (script), whose input stays open and silent (at its end script
# would type a NUL key into the console). Its output goes to a file, then
# here, without the carriage returns.
status=0
failures=()
# Marks the stage failed and keeps, for its summary line, the names of the
# tests that failed in a log, or how a program ended that named none.
# Usage: record_failure PROGRAM EXIT_STATUS LOG
record_failure() {
  local named
  status=1
  named="$(failed_tests_line "$1" <"$3")"
  failures+=("${named:-$1 ended with exit status $2, naming no failed test}")
}

run_windows_tests() {
  local program="$1" log input rc=0
  log="$(mktemp "${TMPDIR:-/tmp}/bd-wine-tests-XXXXXX")"
  input="$(mktemp -u "${TMPDIR:-/tmp}/bd-wine-input-XXXXXX")"
  mkfifo "$input"
  exec 3<>"$input"
  BD_SOURCE_ROOT="$(windows_path "$root")" BD_SKIP_LOG="$(windows_path "$skips")" \
    script -qec "$wine_loader '$windows_tests/tests/$program.exe' --gtest_brief=1 >'$log' 2>&1" /dev/null \
    <&3 >/dev/null 2>&1 || rc=$?
  exec 3>&-
  rm -f "$input"
  tr -d '\r' <"$log" >"$log.txt"
  cat "$log.txt"
  count_passed "$program" "$log.txt"
  if [ "$rc" -ne 0 ]; then
    echo "error: $program failed under wine$wine_bits (exit status $rc)" >&2
    record_failure "$program" "$rc" "$log.txt"
  fi
  rm -f "$log" "$log.txt"
}

helpers="$(cat "$root"/tests/platform/windows/*.cpp | grep -c '^TEST(.*, DISABLED_')"
echo "note: $helpers tests (a key wait without a console, Ctrl+C while writing and while waiting for a held file) each run a helper test" \
  "of their program alone, in a process of its own, through a GoogleTest filter; these helpers are" \
  "DISABLED_ tests, so \"YOU HAVE $helpers DISABLED TESTS\" below is expected: they do run."
for program in unit_tests hardening_tests; do
  echo "-- $program, built for Windows ($arch), under wine$wine_bits"
  run_windows_tests "$program"
done

echo "-- end-to-end tests against $exe"
e2e_log="$prefix/e2e.log"
e2e_status=0
BUTTON_DISABLER_COMMAND="$wine_loader $exe" BD_SKIP_LOG="$skips" "$tests/tests/e2e_tests" --gtest_brief=1 |
  tee "$e2e_log" || e2e_status=$?
count_passed e2e_tests "$e2e_log"
[ "$e2e_status" -eq 0 ] || record_failure e2e_tests "$e2e_status" "$e2e_log"

not_built="$(grep -c $'\tnot built for this system: ' "$skips" || true)"
skipped=$(($(wc -l <"$skips") - not_built))
if [ -s "$skips" ]; then
  echo "-- skipped, or not built for Windows (how many, and why):"
  cut -f2- "$skips" | sort | uniq -c
fi
summary="$(printf '%s, ' "${passed[@]}")"
note "$arch build under wine$wine_bits: ${summary%, }; $skipped skipped, $not_built not built for Windows (reasons above)"
for failure in "${failures[@]}"; do note "$failure"; done
done_at=$(date +%s)
echo "wine prefix made in $((booted - start)) s, tests run in $((done_at - booted)) s"
exit "$status"
