#!/usr/bin/env bash
# Cross-builds the Windows tool, a self-contained 32-bit console program:
# build-windows/button-disabler.exe (or in the folder given as argument).
# Checks that it imports nothing but system DLLs, so that it starts on any
# Windows without a runtime beside it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build-windows}"
"$root/tools/install-deps.sh" cmake make g++-mingw-w64-i686 binutils-mingw-w64-i686
cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON -DBD_TESTS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)"
exe="$dir/button-disabler.exe"

# The program is linked statically; only DLLs every Windows has may remain.
imports="$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')"
allowed='^(KERNEL32|msvcrt|USER32)\.dll$'
unexpected="$(grep -viE "$allowed" <<<"$imports" || true)"
if [ -n "$unexpected" ]; then
  echo "error: $exe needs DLLs that Windows does not ship:" >&2
  echo "$unexpected" >&2
  exit 1
fi
if ! i686-w64-mingw32-objdump -f "$exe" | grep -q 'file format pei-i386'; then
  echo "error: $exe is not a 32-bit Windows executable" >&2
  exit 1
fi
echo "Built $exe ($(stat -c %s "$exe") bytes), imports: $(tr '\n' ' ' <<<"$imports")"
