#!/usr/bin/env bash
# Runs the end-to-end tests against the Windows build, under wine.
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
"$root/tools/install-deps.sh" cmake make g++ libgtest-dev $(wine_packages)

echo "-- the shipped build: i686"
"$root/tools/build-windows.sh" i686
if [ "$wine_bits" = 32 ]; then
  exe="$root/build-windows/button-disabler.exe"
  wine_loader=/usr/lib/wine/wine
  export WINEARCH=win32
else
  echo "-- the x86_64 build, for wine64"
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

echo "-- the native end-to-end test program"
tests="$root/build-test/release"
quietly cmake -S "$root" -B "$tests" -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON
quietly cmake --build "$tests" -j"$(nproc)" --target e2e_tests

# A fresh prefix of our own: wine refuses one that another user owns, and a
# shared one could carry state between runs. No display, no debugger (a
# crash must show as a failure, not as a dump on standard output), no .NET
# or browser engine to install.
prefix="$(mktemp -d "${TMPDIR:-/tmp}/bd-wine-XXXXXX")"
export WINEPREFIX="$prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
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
echo "-- end-to-end tests against $exe"
BUTTON_DISABLER_COMMAND="$wine_loader $exe" "$tests/tests/e2e_tests" --gtest_brief=1
note "tested $(basename "$(dirname "$exe")")/button-disabler.exe under wine$wine_bits: $wine_reason"
done_at=$(date +%s)
echo "wine prefix made in $((booted - start)) s, tests run in $((done_at - booted)) s"
