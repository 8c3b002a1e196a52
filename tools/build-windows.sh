#!/usr/bin/env bash
# Cross-builds the Windows tool, a self-contained console program.
# Usage: tools/build-windows.sh [i686|x86_64] [BUILD_DIR]
#   i686 (the default) is the build to ship, a 32-bit program that runs on
#   Windows 7 and later, 32 or 64-bit: build-windows/button-disabler.exe. x86_64 lands in
#   build-windows-x86_64/; the tests use it under wine64 where the machine
#   cannot run 32-bit programs.
# Checks that the program imports nothing but system DLLs, so that it starts
# without a runtime beside it, that it is the console program of the
# architecture asked for, and that its header asks for Windows 7 (6.1).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"
arch=i686
case "${1:-}" in
  i686|x86_64) arch="$1"; shift ;;
esac
if [ "$arch" = i686 ]; then
  dir="${1:-$root/build-windows}"; format='pei-i386'
  packages=(g++-mingw-w64-i686 binutils-mingw-w64-i686)
else
  dir="${1:-$root/build-windows-x86_64}"; format='pei-x86-64'
  packages=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64)
fi
"$root/tools/install-deps.sh" cmake make libstb-dev libz-mingw-w64-dev "${packages[@]}"
objdump="$arch-w64-mingw32-objdump"

echo "-- configuring the $arch Windows build in $dir"
quietly cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON -DBD_TESTS=OFF
cmake --build "$dir" -j"$(nproc)"
exe="$dir/button-disabler.exe"

# The program is linked statically; only DLLs every Windows has may remain.
# (Read whole first: grep -q stopping early would fail the pipe.)
headers="$("$objdump" -p "$exe")"
imports="$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")"
allowed='^(KERNEL32|msvcrt|USER32|ADVAPI32)\.dll$'
unexpected="$(grep -viE "$allowed" <<<"$imports" || true)"
if [ -n "$unexpected" ]; then
  echo "error: $exe needs DLLs that Windows does not ship:" >&2
  echo "$unexpected" >&2
  exit 1
fi
if ! grep -q "file format $format" <<<"$("$objdump" -f "$exe")"; then
  echo "error: $exe is not a $format executable:" >&2
  "$objdump" -f "$exe" >&2
  exit 1
fi
# A console program (subsystem 3): started from Explorer it gets a window.
if ! grep -qE '^Subsystem[[:space:]]+0*3[[:space:]]' <<<"$headers"; then
  echo "error: $exe is not a console program:" >&2
  grep '^Subsystem' <<<"$headers" >&2
  exit 1
fi
# Windows 7 (6.1) as the oldest system, in both fields Windows looks at.
for field in OSystem Subsystem; do
  version="$(sed -n "s/^Major${field}Version[[:space:]]*//p; s/^Minor${field}Version[[:space:]]*/./p" <<<"$headers" | tr -d '\n')"
  if [ "$version" != 6.1 ]; then
    echo "error: $exe asks for $field version '$version', not 6.1 (Windows 7)" >&2
    exit 1
  fi
done
echo "Built $exe ($format, console, $(stat -c %s "$exe") bytes), imports: $(tr '\n' ' ' <<<"$imports")"
