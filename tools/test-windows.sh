#!/usr/bin/env bash
# Runs the end-to-end tests against the Windows build, under wine: builds
# button-disabler.exe and the (native) end-to-end test program, makes a
# throw-away wine prefix, and points the tests at "wine button-disabler.exe".
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

# wine runs a 32-bit program only with its i386 build.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo dpkg --add-architecture i386
fi
"$root/tools/install-deps.sh" wine wine32:i386 cmake make g++ libgtest-dev

echo "== Windows build"
"$root/tools/build-windows.sh"
exe="$root/build-windows/button-disabler.exe"

echo "== End-to-end tests against the Windows build under wine"
tests="$root/build-test/release"
cmake -S "$root" -B "$tests" -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON >/dev/null
cmake --build "$tests" -j"$(nproc)" --target e2e_tests >/dev/null

# A fresh 32-bit prefix of our own: wine refuses one that another user owns,
# and a shared one could carry state between runs. No display, no debugger
# (a crash must show as a failure, not as a dump on standard output), no
# .NET or browser engine to install.
prefix="$(mktemp -d "${TMPDIR:-/tmp}/bd-wine-XXXXXX")"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
unset DISPLAY WAYLAND_DISPLAY
# CI may run without HOME; wine wants one.
export HOME="${HOME:-$prefix}"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT

start=$(date +%s)
wineboot -i >/dev/null 2>&1
wineserver -w
# A server that stays up makes every later start of the tool quick.
wineserver -p
booted=$(date +%s)
BUTTON_DISABLER_COMMAND="wine $exe" "$tests/tests/e2e_tests" --gtest_brief=1
done_at=$(date +%s)
echo "wine prefix made in $((booted - start)) s, tests run in $((done_at - booted)) s"
