#!/usr/bin/env bash
# Times the tool on a full disk beside the same folder on a disk with room:
# with no room, every output fails after its temporary file was made, and
# the run must stay as fast as a normal one (no rescan of the folder per
# failure). Needs root (it mounts a small tmpfs).
# Usage: bench/full_disk.sh [COUNT...]   (default: 2000 4000 8000 icons)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "bench/full_disk.sh mounts a tmpfs and so needs root" >&2; exit 1; }
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(2000 4000 8000)
work="$root/bench/work"
mkdir -p "$work"
echo "-- building"
quietly cmake -S "$root/bench" -B "$work/build-bench" -DCMAKE_BUILD_TYPE=Release
quietly cmake --build "$work/build-bench" -j2
quietly cmake -S "$root" -B "$work/build-tool" -DCMAKE_BUILD_TYPE=Release -DBD_TESTS=OFF
quietly cmake --build "$work/build-tool" -j2
tool="$work/build-tool/button-disabler"

full="$(mktemp -d /tmp/bd-full-XXXXXX)"
room="$(mktemp -d /dev/shm/bd-room-XXXXXX)"
cleanup() { umount "$full" 2>/dev/null || true; rmdir "$full"; rm -rf "$room"; }
trap cleanup EXIT
mount -t tmpfs -o size=512m,nr_inodes=200k tmpfs "$full"

printf '%-8s %-14s %-14s %s\n' icons "room left" "disk full" "full / room"
for count in "${counts[@]}"; do
  rm -rf "$full/icons" "$full/filler" "$room/icons"
  mkdir -p "$full/icons"
  "$work/build-bench/generate_icons" "$full/icons" "$count" 16 >/dev/null
  cp -r "$full/icons" "$room/icons"
  # Fill what is left of the disk: every output's first write then fails.
  dd if=/dev/zero of="$full/filler" bs=64k status=none 2>/dev/null || true
  start=$(date +%s.%N); (cd "$room/icons" && "$tool" </dev/null >/dev/null); mid=$(date +%s.%N)
  (cd "$full/icons" && "$tool" </dev/null >/dev/null); end=$(date +%s.%N)
  leftovers=$(find "$full/icons" -name '*.tmp' | wc -l)
  awk -v n="$count" -v a="$start" -v b="$mid" -v c="$end" -v t="$leftovers" \
    'BEGIN { printf "%-8d %-14s %-14s %.1fx%s\n", n, sprintf("%.2f s", b - a), sprintf("%.2f s", c - b), (c - b) / (b - a), t ? "  (temporaries left!)" : "" }'
done
