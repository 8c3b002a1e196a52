#!/usr/bin/env bash
# Benchmarks button-disabler against the copy floor and ImageMagick, and
# prints a table. Usage: bench/run.sh
#
# Environment (all optional):
#   TOOL=path       the button-disabler binary to measure (default: a Release
#                   build of this checkout, made in bench/work/build-tool)
#   RUNS=5          runs per measurement; the table shows medians
#   SETS="2000x64 200x256 20x1024"   icon count x icon size of each set
#   IM_ICONS=200    ImageMagick runs on at most this many icons of a set
#                   (scaled up to the whole set); 0 skips ImageMagick
#   CALLGRIND=1     0 skips the instruction count
#   BENCH_DIR=dir   where the icon sets are made and run (default bench/work,
#                   on the same disk as the checkout); e.g. /dev/shm takes
#                   the disk out of the figures
# Builds and generated data live in bench/work/ (ignored by git).
set -euo pipefail
bench="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$bench/.." && pwd)"
work="$bench/work"
RUNS="${RUNS:-5}"
SETS="${SETS:-2000x64 200x256 20x1024}"
IM_ICONS="${IM_ICONS:-200}"
CALLGRIND="${CALLGRIND:-1}"
mkdir -p "$work"
data="${BENCH_DIR:-$work}"
mkdir -p "$data"
data="$(cd "$data" && pwd)"

echo "== building" >&2
cmake -S "$bench" -B "$work/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build-bench" -j2 >/dev/null
if [ -z "${TOOL:-}" ]; then
  cmake -S "$root" -B "$work/build-tool" -DCMAKE_BUILD_TYPE=Release -DBD_TESTS=OFF >/dev/null
  cmake --build "$work/build-tool" -j2 >/dev/null
  TOOL="$work/build-tool/button-disabler"
fi
TOOL="$(cd "$(dirname "$TOOL")" && pwd)/$(basename "$TOOL")"
generate="$work/build-bench/generate_icons"
floor="$work/build-bench/copy_floor"
measure="$work/build-bench/measure"

convert=""
if [ -x /usr/bin/convert ]; then convert=/usr/bin/convert
elif command -v convert >/dev/null 2>&1; then convert="$(command -v convert)"
fi
[ "$IM_ICONS" -gt 0 ] || convert=""

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# A fresh copy of a set's pristine folder in $data/run, outside the timing.
fresh_copy() {
  rm -rf "$data/run"
  cp -r "$data/sets/$1" "$data/run"
  # The copy's dirty pages are written out now, not during the timed run.
  sync -f "$data/run"
}

# measure_runs SET LABEL COMMAND...: RUNS runs, each on a fresh copy; leaves
# the medians in $work/$LABEL.median as "wall user+sys peak_kib".
measure_runs() {
  local set="$1" label="$2"
  shift 2
  : >"$work/$label.runs"
  for _ in $(seq "$RUNS"); do
    fresh_copy "$set"
    (cd "$data/run" && "$measure" "$work/one.txt" "$@") || { echo "$label failed" >&2; exit 1; }
    cat "$work/one.txt" >>"$work/$label.runs"
  done
  local wall cpu peak
  wall="$(awk '{ print $1 }' "$work/$label.runs" | median)"
  cpu="$(awk '{ print $2 + $3 }' "$work/$label.runs" | median)"
  peak="$(awk '{ print $4 }' "$work/$label.runs" | median)"
  echo "$wall $cpu $peak" >"$work/$label.median"
}

# Bytes of every file a run wrote (all but the masks) in $data/run.
bytes_written() {
  find "$data/run" -maxdepth 1 -type f ! -name 'ZOF_*' -printf '%s\n' | awk '{ s += $1 } END { print s }'
}

# The ImageMagick job for the first $2 icons of the folder: one convert per
# icon, the three variants written with -write, the normal mask last.
imagemagick_job() {
  local convert="$1" count="$2"
  local names=()
  mapfile -t names < <(ls Icon*.tga | head -n "$count")
  for name in "${names[@]}"; do
    base="${name%.tga}"
    "$convert" "$name" -alpha set -compress None -compose Atop \
      \( +clone ZOF_DISABLED_MASK.tga -composite -write "DIS$name" +delete \) \
      \( +clone ZOF_PASSIVE_MASK.tga -composite -write "PAS$name" +delete \) \
      \( +clone ZOF_AUTOCAST_MASK.tga -composite -write "${base}_Autocast.tga" +delete \) \
      ZOF_NORMAL_MASK.tga -composite "$name"
  done
}
export -f imagemagick_job

rows=()
for set in $SETS; do
  count="${set%x*}"
  size="${set#*x}"
  echo "== set $set: generating" >&2
  rm -rf "${data:?}/sets/$set"
  mkdir -p "$data/sets/$set"
  "$generate" "$data/sets/$set" "$count" "$size"

  echo "== set $set: tool" >&2
  measure_runs "$set" tool "$TOOL"
  written="$(bytes_written)"
  echo "== set $set: copy floor" >&2
  measure_runs "$set" floor "$floor"
  read -r t_wall t_cpu t_peak <"$work/tool.median"
  read -r f_wall f_cpu f_peak <"$work/floor.median"

  im="n/a | n/a"
  if [ -n "$convert" ]; then
    subset=$((count < IM_ICONS ? count : IM_ICONS))
    echo "== set $set: ImageMagick on $subset icons" >&2
    measure_runs "$set" im bash -c 'imagemagick_job "$0" "$1"' "$convert" "$subset"
    read -r i_wall _ _ <"$work/im.median"
    im="$(awk -v i="$i_wall" -v c="$count" -v s="$subset" -v t="$t_wall" \
      'BEGIN { printf "%.2f s (%d icons x%.0f) | %.0fx", i * c / s, s, c / s, i * c / s / t }')"
  fi
  rows+=("$(awk -v set="$set" -v n="$count" -v px="$size" -v tw="$t_wall" -v tc="$t_cpu" -v tp="$t_peak" \
    -v fw="$f_wall" -v fp="$f_peak" -v w="$written" -v im="$im" 'BEGIN {
      printf "| %s | %.3f s | %.3f s | %.1f MB | %.0f | %.0f | %.1f | %.3f s | %.1f MB | %.2fx | %s |",
        set, tw, tc, tp / 1024, n / tw, w / 1e6 / tw, tw * 1e9 / (n * px * px), fw, fp / 1024, tw / fw, im }')")
done

echo
echo "Medians of $RUNS runs, each on a fresh copy of the set; tool = $TOOL"
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs); sets on" \
  "$(df -T "$data" | awk 'NR == 2 { print $2 }') ($data); $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
echo "| set (icons x size) | wall | user+sys | peak memory | icons/s | MB written/s | ns per pixel | floor wall | floor peak | tool / floor | ImageMagick wall (one process per icon) | ImageMagick / tool |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"

if [ "$CALLGRIND" = 1 ] && command -v valgrind >/dev/null 2>&1; then
  first="${SETS%% *}"
  echo "== callgrind on set $first" >&2
  fresh_copy "$first"
  instructions="$(cd "$data/run" && setsid -w valgrind --tool=callgrind --callgrind-out-file=/dev/null "$TOOL" \
    </dev/null 2>&1 >/dev/null | sed -n 's/.*Collected : *\([0-9]*\).*/\1/p')"
  echo
  echo "Instructions executed by one run of set $first (callgrind): $instructions"
fi
rm -rf "$data/run"
