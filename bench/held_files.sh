#!/usr/bin/env bash
# What the Windows program's wait for held files costs, under wine32: runs
# of the i686 program (--no-wait) in fresh copies of a folder of icons, with
# no icon held, every icon held for good (shared for reading: it is read
# but cannot be replaced), and every icon held without sharing for 300 ms
# from the run's start. Prints the median of each, over RUNS rounds.
# Usage: bench/held_files.sh   (after tools/build-windows.sh)
#   RUNS=5  COUNT=2000  EXE=build-windows/button-disabler.exe
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
RUNS="${RUNS:-5}"
COUNT="${COUNT:-2000}"
exe="$(realpath "${EXE:-$root/build-windows/button-disabler.exe}")"
work="$(mktemp -d "${TMPDIR:-/tmp}/bd-held-XXXXXX")"
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
i686-w64-mingw32-gcc -O2 -Wall -Wextra -o "$work/hold_and_run.exe" "$root/bench/hold_and_run.c"
/usr/lib/wine/wine wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p
mkdir "$work/set"
for i in $(seq "$COUNT"); do cp "$root/examples/icons/Fire.tga" "$work/set/icon$i.tga"; done
cp "$root"/examples/icons/ZOF_*.tga "$work/set/"
# One run: the holder's way and release time, in a fresh copy of the set.
run() {
  rm -rf "$work/run" && cp -r "$work/set" "$work/run"
  (cd "$work/run" && /usr/lib/wine/wine "$work/hold_and_run.exe" "$1" "$2" "Z:$exe" --no-wait | tr -d '\r')
}
declare -A times
for round in $(seq "$RUNS"); do
  for contender in "free 0" "rw -1" "none 300"; do
    result="$(run $contender)"
    echo "round $round, $contender: $result, $(grep -c "Can't write file" "$work/run/report.txt") not written"
    ms="${result##*, }"
    times[$contender]+="${ms% ms} "
  done
done
median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for contender in "free 0" "rw -1" "none 300"; do
  echo "median, $contender: $(median "${times[$contender]}") ms"
done
