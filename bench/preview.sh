#!/usr/bin/env bash
# What --preview costs: the tool with and without it on a generated icon
# folder (bench/generate_icons.cpp), in paired rounds as bench/run.sh runs
# its contenders, then where the time of a run with the page goes
# (callgrind, inclusive instructions of the page's parts).
# Usage: bench/preview.sh
#
# Environment (all optional):
#   TOOL=path     the button-disabler binary (default: a Release build of
#                 this checkout in bench/work/build-tool)
#   SET=2000x64   icon count x icon size of a generated set (a third of
#                 its picture is noise, which no compression shrinks), or
#                 "samples": 400 copies of each of the five sample icons
#                 (examples/icons) with their masks, pictures as icons are
#   RUNS=7        paired rounds, the order reversed every other round
#   CALLGRIND=1   0 skips the breakdown
#   BENCH_DIR=dir where the set is made and run (default: tmpfs)
set -Eeuo pipefail
trap 'echo "bench/preview.sh: stopped: \"$BASH_COMMAND\" failed (line $LINENO)" >&2' ERR
bench="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$bench/.." && pwd)"
source "$root/tools/lib.sh"
work="$bench/work"
SET="${SET:-2000x64}"
RUNS="${RUNS:-7}"
CALLGRIND="${CALLGRIND:-1}"
data="${BENCH_DIR:-/dev/shm/button-disabler-bench}/preview"
fail() {
  echo "bench/preview.sh: $*" >&2
  exit 1
}

packages=(cmake make g++ libdeflate-dev)
[ "$CALLGRIND" = 1 ] && packages+=(valgrind)
"$root/tools/install-deps.sh" "${packages[@]}"
mkdir -p "$work" "$data"
echo "== building the helpers and the tool" >&2
quietly cmake -S "$bench" -B "$work/build-bench" -DCMAKE_BUILD_TYPE=Release
quietly cmake --build "$work/build-bench" -j2
if [ -z "${TOOL:-}" ]; then
  quietly cmake -S "$root" -B "$work/build-tool" -DCMAKE_BUILD_TYPE=Release -DBD_TESTS=OFF
  quietly cmake --build "$work/build-tool" -j2
  TOOL="$work/build-tool/button-disabler"
fi
[ -x "$TOOL" ] || fail "no tool to measure at $TOOL"
TOOL="$(cd "$(dirname "$TOOL")" && pwd)/$(basename "$TOOL")"

echo "== set $SET: generating" >&2
rm -rf "$data/set" "$data/run"
mkdir -p "$data/set"
if [ "$SET" = samples ]; then
  count=2000
  cp "$root"/examples/icons/ZOF_* "$data/set/"
  for copy in $(seq 400); do
    for icon in "$root"/examples/icons/*; do
      name="$(basename "$icon")"
      case "$name" in ZOF_*) ;; *) cp "$icon" "$data/set/$copy-$name" ;; esac
    done
  done
else
  count="${SET%x*}"
  "$work/build-bench/generate_icons" "$data/set" "$count" "${SET#*x}"
fi

# run_once WHO: one measured run on a fresh copy; appends "wall user sys
# peak_kib" to $work/preview.WHO.runs.
run_once() {
  local who="$1" status=0 arguments=()
  [ "$who" = preview ] && arguments=(--preview)
  rm -rf "$data/run"
  cp -r "$data/set" "$data/run"
  (cd "$data/run" && "$work/build-bench/measure" "$work/one.txt" "$TOOL" "${arguments[@]}") >"$work/last.log" 2>&1 ||
    status=$?
  [ "$status" -eq 0 ] || { cat "$work/last.log" >&2; fail "the tool ($who) failed with exit status $status"; }
  found="$(find "$data/run" -maxdepth 1 -name 'DIS*.tga' | wc -l)"
  [ "$found" -eq "$count" ] || fail "the tool ($who) left $found DIS files for $count icons"
  if [ "$who" = preview ]; then
    grep -q '^Preview: "button-disabler-preview.html"$' "$work/last.log" || fail "no page: $(tail -3 "$work/last.log")"
    page_bytes="$(stat -c %s "$data/run/button-disabler-preview.html")"
  fi
  cat "$work/one.txt" >>"$work/preview.$who.runs"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
values() { awk "{ print $2 }" "$work/preview.$1.runs"; }
paired() { paste <(values preview "$1") <(values plain "$1") | awk '{ print ($2 > 0 ? $1 / $2 : 1e9) }' | median; }

for who in plain preview; do
  run_once "$who"  # not counted
  : >"$work/preview.$who.runs"
done
order=(plain preview)
for round in $(seq "$RUNS"); do
  echo "== round $round of $RUNS (${order[*]})" >&2
  for who in "${order[@]}"; do run_once "$who"; done
  order=("${order[1]}" "${order[0]}")
done

breakdown=""
if [ "$CALLGRIND" = 1 ]; then
  echo "== callgrind of a run with --preview" >&2
  rm -rf "$data/run"
  cp -r "$data/set" "$data/run"
  (cd "$data/run" && setsid -w valgrind --tool=callgrind --callgrind-out-file="$work/preview.callgrind" "$TOOL" \
    --preview </dev/null >"$work/callgrind.log" 2>&1) || { cat "$work/callgrind.log" >&2; fail "callgrind failed"; }
  # Inclusive instructions of the page's parts, against the whole run.
  callgrind_annotate --inclusive=yes "$work/preview.callgrind" >"$work/preview.annotate" 2>/dev/null
  total="$(awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1; exit }' "$work/preview.annotate")"
  [ -n "$total" ] || fail "no totals in callgrind's report ($work/preview.annotate)"
  part() {  # part LABEL PATTERN: the first function matching PATTERN
    awk -v label="$1" -v pattern="$2" -v total="$total" '
      $0 ~ pattern { gsub(",", "", $1); printf "| %s | %.0f M | %.1f %% |\n", label, $1 / 1e6, 100 * $1 / total; exit }
    ' "$work/preview.annotate"
  }
  breakdown="$(
    printf '| whole run with --preview | %.0f M | 100 %% |\n' "$(awk -v t="$total" 'BEGIN { print t / 1e6 }')"
    part "the page's rows (PreviewPage::addIcon)" 'PreviewPage::addIcon'
    part "  PNG files (PngEncoder::encode)" 'PngEncoder::encode'
    part "    libdeflate's compression" 'libdeflate_zlib_compress'
    part "  Base64 (appendBase64)" 'appendBase64'
    part "  the masks' hidden parts (PreviewPage::hiddenPartNote)" 'hiddenPartNote'
    part "the icons' own files (writeIconFiles)" 'writeIconFiles'
  )"
fi
rm -rf "$data"

echo
echo "Tool: $TOOL; set $SET on $(df -T "${BENCH_DIR:-/dev/shm}" | awk 'NR == 2 { print $2 }');" \
  "$(date -u '+%Y-%m-%d %H:%M UTC'); load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Medians of $RUNS paired rounds; the ratio is the median of the ratios within a round."
echo
echo "| | without --preview | with --preview | ratio |"
echo "|---|---|---|---|"
for row in "wall time:\$1" "CPU time (user + system):\$2 + \$3"; do
  expression="${row#*:}"
  printf '| %s | %.3f s | %.3f s | %.2fx |\n' "${row%%:*}" "$(values plain "$expression" | median)" \
    "$(values preview "$expression" | median)" "$(paired "$expression")"
done
printf '| peak memory | %.1f MB | %.1f MB | |\n' "$(values plain '$4 / 1024' | median)" "$(values preview '$4 / 1024' | median)"
printf '| page | | %.1f MB | |\n' "$(awk -v b="$page_bytes" 'BEGIN { print b / 1048576 }')"
if [ -n "$breakdown" ]; then
  echo
  echo "Where a run with --preview spends its instructions (callgrind, inclusive):"
  echo
  echo "| part | instructions | share |"
  echo "|---|---|---|"
  echo "$breakdown"
fi
