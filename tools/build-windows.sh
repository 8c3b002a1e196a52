#!/usr/bin/env bash
# Cross-builds the Windows tool, a self-contained console program.
# Usage: tools/build-windows.sh [i686|x86_64] [BUILD_DIR]
#   i686 (the default) is the build to ship, a 32-bit program that runs on
#   Windows 7 and later, 32 or 64-bit: build-windows/button-disabler.exe. x86_64 lands in
#   build-windows-x86_64/; the tests use it under wine64 where the machine
#   cannot run 32-bit programs.
# Checks that the program imports nothing but system DLLs, so that it starts
# without a runtime beside it, that it is the console program of the
# architecture asked for, that its header asks for Windows 7 (6.1), that the
# i686 one is large-address aware, that it takes no time from msvcrt's 32-bit
# functions, and that it carries its manifest, version information and icon.
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
# g++ builds the small program that makes the program's icon.
"$root/tools/install-deps.sh" cmake make g++ libstb-dev "${packages[@]}"
objdump="$arch-w64-mingw32-objdump"
libraries="$root/build-libraries/windows-$arch"
"$root/tools/windows-libraries.sh" "$arch" "$libraries"

echo "-- configuring the $arch Windows build in $dir"
quietly cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON -DBD_TESTS=OFF -DBD_WINDOWS_LIBRARIES="$libraries"
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
# The 32-bit program is large-address aware: 4 GiB of address space on
# 64-bit Windows, not 2.
if [ "$arch" = i686 ] && ! grep -q '^[[:space:]]*large address aware$' <<<"$headers"; then
  echo "error: $exe is not large-address aware" >&2
  exit 1
fi
# The page's time comes from GetLocalTime, never from msvcrt's 32-bit
# time and localtime, which end in 2038.
if grep -qE '^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+_?(time|localtime)(32)?$' <<<"$headers"; then
  echo "error: $exe takes the time from msvcrt's 32-bit time functions" >&2
  exit 1
fi
# Its resources, as a resource compiler reads them back: the manifest, the
# version information of the project's version, and the icon in the four
# sizes Explorer asks for.
resources="$("$arch-w64-mingw32-windres" -i "$exe" -O rc)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")"
major_minor_patch="${version//./, }"
for expected in '1 24 /\* RT_MANIFEST \*/' 'level=""asInvoker""' \
    '<longPathAware xmlns=""http://schemas.microsoft.com/SMI/2016/WindowsSettings"">true</longPathAware>' \
    'supportedOS Id=""\{35138b9a-5d96-4fbd-8e2d-a2440225f93a\}""' \
    'supportedOS Id=""\{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a\}""' \
    "FILEVERSION $major_minor_patch, 0" "PRODUCTVERSION $major_minor_patch, 0" \
    "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
    'VALUE "ProductName", "Button Disabler"' 'VALUE "FileDescription", "[^"]+"' \
    'VALUE "LegalCopyright", "Copyright \(c\) [0-9]{4} The Button Disabler authors \(MIT licence\)"' \
    'VALUE "OriginalFilename", "button-disabler.exe"' '^1 14 /\* RT_GROUP_ICON \*/' \
    '"\\020\\020\\000\\000", 1, 32, .*Element no 1\.' '"\\040\\040\\000\\000", 1, 32, .*Element no 2\.' \
    '"\\060\\060\\000\\000", 1, 32, .*Element no 3\.' '"\\000\\000\\000\\000", 1, 32, .*Element no 4\.'; do
  if ! grep -qE -- "$expected" <<<"$resources"; then
    echo "error: the resources of $exe lack /$expected/" >&2
    exit 1
  fi
done
if [ "$(grep -c 'supportedOS Id=' <<<"$resources")" != 4 ]; then
  echo "error: the manifest of $exe names not the 4 systems from Windows 7 to 11" >&2
  exit 1
fi
echo "Built $exe ($format, console, $(stat -c %s "$exe") bytes), imports: $(tr '\n' ' ' <<<"$imports")"
