#!/usr/bin/env bash
# Measures a run with --output against a run in place on one generated set,
# and counts the system calls per icon of each; prints the table of
# bench/RESULTS.md.
# Usage: bench/output.sh
#
# Environment (all optional):
#   TOOL=path     the button-disabler binary to measure (default: a Release
#                 build of this checkout, made in bench/work/build-tool)
#   RUNS=9        paired rounds, the order reversed every other round;
#                 figures are medians, ratios medians of each round's ratio
#   SET=2000x64   icon count x icon size
#   BENCH_DIR=dir where the set is made and run (default tmpfs, as
#                 bench/run.sh)
# The contenders, each a run of the tool as a user starts it:
#   in-place        inside a fresh copy of the set, without arguments
#   in-place-again  the same inside a copy of the set as a first run left it
#                   (every output there already, to be replaced)
#   output-new      --output into a folder that does not exist yet, from the
#                   set itself (only read)
#   output-again    the same into the folder a first such run filled
set -Eeuo pipefail
trap 'echo "bench/output.sh: stopped: \"$BASH_COMMAND\" failed (line $LINENO)" >&2' ERR
bench="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$bench/.." && pwd)"
source "$root/tools/lib.sh"
work="$bench/work"
RUNS="${RUNS:-9}"
SET="${SET:-2000x64}"
data="${BENCH_DIR:-/dev/shm/button-disabler-bench}/output"

fail() {
  echo "bench/output.sh: $*" >&2
  exit 1
}

"$root/tools/install-deps.sh" cmake make g++ libdeflate-dev strace
mkdir -p "$work" "$data"
quietly cmake -S "$bench" -B "$work/build-bench" -DCMAKE_BUILD_TYPE=Release
quietly cmake --build "$work/build-bench" -j2
if [ -z "${TOOL:-}" ]; then
  quietly cmake -S "$root" -B "$work/build-tool" -DCMAKE_BUILD_TYPE=Release -DBD_TESTS=OFF
  quietly cmake --build "$work/build-tool" -j2 --target button-disabler
  TOOL="$work/build-tool/button-disabler"
fi
[ -x "$TOOL" ] || fail "no tool to measure at $TOOL"
measure="$work/build-bench/measure"
count="${SET%x*}"

rm -rf "${data:?}"/*
mkdir -p "$data/set"
"$work/build-bench/generate_icons" "$data/set" "$count" "${SET#*x}"
chmod -R a-w "$data/set"  # the run with --output only reads it

# prepare WHO: a fresh start outside the timing; run WHO [PREFIX...]: one run.
prepare() {
  case "$1" in
    in-place) rm -rf "$data/run" && cp -r "$data/set" "$data/run" && chmod -R u+w "$data/run" ;;
    in-place-again) rm -rf "$data/run" && cp -r "$data/ran" "$data/run" ;;
    output-new) rm -rf "$data/out" ;;
    output-again) rm -rf "$data/out" && cp -r "$data/filled" "$data/out" ;;
  esac
}
run() {
  local who="$1"
  shift
  case "$who" in
    in-place*) (cd "$data/run" && "$@" "$TOOL") ;;
    *) (cd "$data/set" && "$@" "$TOOL" --output "$data/out") ;;
  esac >"$work/last.log" 2>&1 || { cat "$work/last.log" >&2; fail "$who failed"; }
}
written() { find "$1" -maxdepth 1 -type f ! -name 'ZOF_*' | wc -l; }

# A first run of each, not counted: the same files, byte for byte, and the
# set untouched.
for who in in-place output-new; do prepare "$who" && run "$who"; done
[ "$(written "$data/run")" -eq $((4 * count)) ] || fail "the run in place wrote $(written "$data/run") files"
diff -r -x 'ZOF_*' "$data/run" "$data/out" >/dev/null || fail "--output wrote other files than the run in place"
cp -r "$data/run" "$data/ran"
cp -r "$data/out" "$data/filled"
prepare output-again && run output-again
diff -r "$data/filled" "$data/out" >/dev/null || fail "a second run with --output wrote other files"
[ -z "$(find "$data/set" -newer "$data/filled" -print -quit)" ] || fail "the set was changed"

order=(in-place in-place-again output-new output-again)
for who in "${order[@]}"; do : >"$work/output.$who.runs"; done
for round in $(seq "$RUNS"); do
  echo "== round $round of $RUNS (${order[*]})" >&2
  for who in "${order[@]}"; do
    prepare "$who"
    run "$who" "$measure" "$work/one.txt"
    cat "$work/one.txt" >>"$work/output.$who.runs"
  done
  order=("${order[3]}" "${order[2]}" "${order[1]}" "${order[0]}")
done

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
values() { awk "{ print $2 }" "$work/output.$1.runs"; }
# ratio WHO BASE EXPRESSION: the median of WHO's value over BASE's in each round.
ratio() {
  paste <(values "$1" "$3") <(values "$2" "$3") | awk '{ print ($2 > 0 ? $1 / $2 : 1e9) }' | median
}
calls() {
  prepare "$1"
  run "$1" strace -c -f -o "$work/strace.$1"
  awk '/^-----/ { rule++; next } rule == 1 && NF >= 5 { s += $4 } END { print s }' "$work/strace.$1"
}

echo
echo "Tool: $TOOL; set $SET on $(df -T "$data" | awk 'NR == 2 { print $2 }'); $(date -u '+%Y-%m-%d %H:%M UTC');" \
  "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg). Medians of $RUNS paired rounds."
echo
echo "Ratios against the run in place into the same state: a new folder against a fresh copy, a filled"
echo "one against a copy as a first run left it."
echo
echo "| run | wall | CPU (user + system) | wall / in place | CPU / in place | system calls per icon |"
echo "|---|---|---|---|---|---|"
for who in in-place in-place-again output-new output-again; do
  case "$who" in *again) base=in-place-again ;; *) base=in-place ;; esac
  awk -v w="$who" -v wall="$(values "$who" '$1' | median)" -v cpu="$(values "$who" '$2 + $3' | median)" \
    -v rw="$(ratio "$who" "$base" '$1')" -v rc="$(ratio "$who" "$base" '$2 + $3')" -v c="$(calls "$who")" \
    -v n="$count" 'BEGIN { printf "| %s | %.3f s | %.3f s | %.2fx | %.2fx | %.2f |\n", w, wall, cpu, rw, rc, c / n }'
done
chmod -R u+w "$data"
rm -rf "$data"
