#!/usr/bin/env bash
# Installs what is missing, builds the tool and runs it on a scratch copy of
# the bundled sample icons (the bundled ones stay as they are).
# Usage: tools/demo.sh [SCRATCH_DIR]   (default: out/icons)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"
"$root/tools/install-deps.sh" cmake make g++ libdeflate-dev libpng-dev libstb-dev
echo "-- building the tool in $root/build"
quietly cmake -S "$root" -B "$root/build" -DBD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
quietly cmake --build "$root/build" -j"$(nproc)"
scratch="${1:-$root/out/icons}"
rm -rf "$scratch"
mkdir -p "$scratch"
cp "$root"/examples/icons/* "$scratch"/
cd "$scratch"
echo "-- running the tool in $scratch"
"$root/build/button-disabler"
echo
echo "Results are in $scratch:"
ls -l "$scratch"
