#!/usr/bin/env bash
# Installs what is missing, builds the tool and runs it on a scratch copy of
# the bundled sample icons (the bundled ones stay as they are).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install-deps.sh" cmake make g++
cmake -S "$root" -B "$root/build" -DBD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" >/dev/null
scratch="${1:-$root/out/icons}"
rm -rf "$scratch"
mkdir -p "$scratch"
cp "$root"/examples/icons/* "$scratch"/
cd "$scratch"
"$root/build/button-disabler"
echo
echo "Results are in $scratch:"
ls -l "$scratch"
