#!/usr/bin/env bash
# Benchmarks button-disabler against the lean floor (bench/lean_floor.c, in
# place and with temporary files) and a Pillow peer (bench/pillow_peer.py)
# on generated icon folders, and prints the tables of bench/RESULTS.md.
# Usage: bench/run.sh
#
# Environment (all optional):
#   TOOL=path       the button-disabler binary to measure (default: a Release
#                   build of this checkout, made in bench/work/build-tool)
#   TOOL_REV=rev    measure the tool as built from this git revision instead
#                   (exported with git archive into bench/work/src-REV)
#   RUNS=7          paired rounds: each runs every contender once on a fresh
#                   copy of the set, in turn, the order reversed every other
#                   round, so that drift hits all alike; figures are medians
#   SETS="200x64 2000x64 20x1024"   icon count x icon size of each set
#   PILLOW=1        0 skips the Pillow peer
#   STRACE_SET=2000x64   the set whose system calls are counted ("" skips)
#   CALLGRIND=1     0 skips the instruction counts
#   BENCH_DIR=dir   where the sets are made and run (default
#                   /dev/shm/button-disabler-bench: tmpfs, so that no disk
#                   is in the figures)
# Builds and logs live in bench/work/ (ignored by git); the sets are removed
# at the end of a run that succeeds, and kept for a look when one fails.
set -Eeuo pipefail
trap 'echo "bench/run.sh: stopped: \"$BASH_COMMAND\" failed (line $LINENO)" >&2' ERR
bench="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$bench/.." && pwd)"
source "$root/tools/lib.sh"
work="$bench/work"
RUNS="${RUNS:-7}"
SETS="${SETS:-200x64 2000x64 20x1024}"
PILLOW="${PILLOW:-1}"
STRACE_SET="${STRACE_SET-2000x64}"
CALLGRIND="${CALLGRIND:-1}"
data="${BENCH_DIR:-/dev/shm/button-disabler-bench}"
python=/usr/bin/python3  # Debian's, which has python3-pil; not a pyenv one

fail() {
  echo "bench/run.sh: $*" >&2
  exit 1
}

packages=(cmake make g++ libdeflate-dev strace valgrind)
[ "$PILLOW" = 1 ] && packages+=(python3-pil)
"$root/tools/install-deps.sh" "${packages[@]}"
if [ "$PILLOW" = 1 ]; then
  "$python" -c 'import PIL' || fail "$python cannot import PIL although python3-pil is installed"
fi
mkdir -p "$work" "$data" || fail "cannot make $work and $data"
data="$(cd "$data" && pwd)"

echo "== building the helpers" >&2
quietly cmake -S "$bench" -B "$work/build-bench" -DCMAKE_BUILD_TYPE=Release
quietly cmake --build "$work/build-bench" -j2
if [ -n "${TOOL_REV:-}" ]; then
  echo "== building the tool from revision $TOOL_REV" >&2
  rm -rf "$work/src-$TOOL_REV"
  mkdir -p "$work/src-$TOOL_REV"
  git -C "$root" archive "$TOOL_REV" | tar -x -C "$work/src-$TOOL_REV"
  quietly cmake -S "$work/src-$TOOL_REV" -B "$work/build-$TOOL_REV" -DCMAKE_BUILD_TYPE=Release -DBD_TESTS=OFF
  quietly cmake --build "$work/build-$TOOL_REV" -j2
  TOOL="$work/build-$TOOL_REV/button-disabler"
elif [ -z "${TOOL:-}" ]; then
  echo "== building the tool" >&2
  quietly cmake -S "$root" -B "$work/build-tool" -DCMAKE_BUILD_TYPE=Release -DBD_TESTS=OFF
  quietly cmake --build "$work/build-tool" -j2
  TOOL="$work/build-tool/button-disabler"
fi
[ -x "$TOOL" ] || fail "no tool to measure at $TOOL"
TOOL="$(cd "$(dirname "$TOOL")" && pwd)/$(basename "$TOOL")"
generate="$work/build-bench/generate_icons"
floor="$work/build-bench/lean_floor"
measure="$work/build-bench/measure"

contenders=(floor-in-place floor-rename tool)
[ "$PILLOW" = 1 ] && contenders+=(pillow)

# The command line of each contender, run inside the icon folder.
command_of() {
  case "$1" in
    floor-in-place) echo "$floor in-place" ;;
    floor-rename) echo "$floor rename" ;;
    tool) echo "$TOOL" ;;
    pillow) echo "$python $bench/pillow_peer.py" ;;
  esac
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# A fresh copy of a set's pristine folder in $data/run, outside the timing.
fresh_copy() {
  rm -rf "$data/run"
  cp -r "$data/sets/$1" "$data/run"
  # Where the sets are on a disk, the copy's dirty pages are written out
  # now, not during the timed run.
  sync -f "$data/run"
}

# Bytes of every file a run wrote or rewrote (all but the masks).
bytes_written() {
  find "$data/run" -maxdepth 1 -type f ! -name 'ZOF_*' -printf '%s\n' | awk '{ s += $1 } END { print s }'
}

# Stops unless the run left every output of every icon and no temporary file.
check_outputs() {
  local label="$1" count="$2" kind found
  for kind in 'DIS*.tga' 'PAS*.tga' '*_Autocast.tga'; do
    found="$(find "$data/run" -maxdepth 1 -type f -name "$kind" | wc -l)"
    [ "$found" -eq "$count" ] || fail "$label left $found files named $kind for $count icons (its output: $work/last.log)"
  done
  found="$(find "$data/run" -maxdepth 1 -type f ! -name '*.tga' | wc -l)"
  [ "$found" -eq 0 ] || fail "$label left $found files that are no TGA file (temporary files?) in $data/run"
}

# run_once SET COUNT CONTENDER: one measured run on a fresh copy; appends
# "wall user sys peak_kib" to $work/SET.CONTENDER.runs.
run_once() {
  local set="$1" count="$2" who="$3" status=0
  fresh_copy "$set"
  # shellcheck disable=SC2046  # the command is words
  (cd "$data/run" && "$measure" "$work/one.txt" $(command_of "$who")) >"$work/last.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    cat "$work/last.log" >&2
    fail "$who failed on set $set with exit status $status (its output is above)"
  fi
  check_outputs "$who" "$count"
  cat "$work/one.txt" >>"$work/$set.$who.runs"
}

# values SET WHO EXPRESSION: one value per round, an awk expression of the
# fields "wall user sys peak_kib" of each run.
values() { awk "{ print $3 }" "$work/$1.$2.runs"; }
stat_of() { values "$@" | median; }
# paired SET A B EXPRESSION: the median over the rounds of A's value over B's
# in the same round.
paired() {
  paste <(values "$1" "$2" "$4") <(values "$1" "$3" "$4") | awk '{ print ($2 > 0 ? $1 / $2 : 1e9) }' | median
}

# time_row SET EXPRESSION: the floors, the tool and the Pillow peer, and the ratios.
time_row() {
  local set="$1" e="$2" pillow="| n/a | n/a |"
  if [ "$PILLOW" = 1 ]; then
    pillow="$(awk -v p="$(stat_of "$set" pillow "$e")" -v r="$(paired "$set" pillow tool "$e")" \
      'BEGIN { printf "| %.3f s | %.1fx |", p, r }')"
  fi
  awk -v s="$set" -v a="$(stat_of "$set" floor-in-place "$e")" -v b="$(stat_of "$set" floor-rename "$e")" \
    -v t="$(stat_of "$set" tool "$e")" -v r="$(paired "$set" tool floor-rename "$e")" -v p="$pillow" \
    'BEGIN { printf "| %s | %.3f s | %.3f s | %.3f s | %.2fx %s", s, a, b, t, r, p }'
}

memory_row() {
  local set="$1" pillow="n/a"
  [ "$PILLOW" = 1 ] && pillow="$(awk -v k="$(stat_of "$set" pillow '$4')" 'BEGIN { printf "%.1f MB", k / 1024 }')"
  awk -v s="$set" -v a="$(stat_of "$set" floor-in-place '$4')" -v b="$(stat_of "$set" floor-rename '$4')" \
    -v t="$(stat_of "$set" tool '$4')" -v p="$pillow" \
    'BEGIN { printf "| %s | %.1f MB | %.1f MB | %.1f MB | %s |", s, a / 1024, b / 1024, t / 1024, p }'
}

wall_rows=()
cpu_rows=()
memory_rows=()
declare -A written=()
for set in $SETS; do
  count="${set%x*}"
  size="${set#*x}"
  echo "== set $set: generating" >&2
  rm -rf "${data:?}/sets/$set"
  mkdir -p "$data/sets/$set"
  "$generate" "$data/sets/$set" "$count" "$size"
  for who in "${contenders[@]}"; do : >"$work/$set.$who.runs"; done

  # A first run of each, not counted: the floors must write exactly the
  # bytes the tool writes.
  for who in tool floor-rename floor-in-place; do
    run_once "$set" "$count" "$who"
    written[$who]="$(bytes_written)"
    : >"$work/$set.$who.runs"
  done
  [ "${written[tool]}" = "${written[floor-rename]}" ] && [ "${written[tool]}" = "${written[floor-in-place]}" ] ||
    fail "set $set: the floors wrote ${written[floor-rename]} and ${written[floor-in-place]} bytes, the tool ${written[tool]}"

  order=("${contenders[@]}")
  for round in $(seq "$RUNS"); do
    echo "== set $set: round $round of $RUNS (${order[*]})" >&2
    for who in "${order[@]}"; do run_once "$set" "$count" "$who"; done
    reversed=()
    for ((i = ${#order[@]} - 1; i >= 0; i--)); do reversed+=("${order[i]}"); done
    order=("${reversed[@]}")
  done

  wall_rows+=("$(time_row "$set" '$1')")
  cpu_rows+=("$(time_row "$set" '$2 + $3')")
  memory_rows+=("$(memory_row "$set")")
done

# strace -c -f of one run; prints "syscall calls" lines into $work/strace.WHO.
count_syscalls() {
  local set="$1" who="$2" status=0
  fresh_copy "$set"
  # shellcheck disable=SC2046
  (cd "$data/run" && setsid -w strace -c -f -o "$work/strace.$who.raw" $(command_of "$who") \
    </dev/null >"$work/last.log" 2>&1) || status=$?
  [ "$status" -eq 0 ] || { cat "$work/last.log" >&2; fail "$who failed under strace with exit status $status"; }
  # Rows between the two rules; the calls are the fourth field.
  awk '/^-----/ { rule++; next } rule == 1 && NF >= 5 { print $NF, $4 }' "$work/strace.$who.raw" >"$work/strace.$who"
  [ -s "$work/strace.$who" ] || fail "no system calls counted for $who: $(cat "$work/strace.$who.raw")"
}

syscall_table=""
if [ -n "$STRACE_SET" ]; then
  [ -d "$data/sets/$STRACE_SET" ] || fail "STRACE_SET=$STRACE_SET is not among SETS ($SETS)"
  icons="${STRACE_SET%x*}"
  echo "== set $STRACE_SET: counting system calls" >&2
  for who in tool floor-rename floor-in-place; do count_syscalls "$STRACE_SET" "$who"; done
  syscall_table="$(awk -v icons="$icons" '
      FNR == 1 { file++ }
      { calls[$1, file] = $2; if (!($1 in seen)) { seen[$1] = 1; names[++n] = $1 } }
      END {
        for (i = 1; i <= n; i++) {
          a = calls[names[i], 1] / icons; b = calls[names[i], 2] / icons; c = calls[names[i], 3] / icons
          # Calls made a few times per run (start-up, listing the folder)
          # are summed into one row.
          if (a < 0.005 && b < 0.005 && c < 0.005) { oa += a; ob += b; oc += c; others++; continue }
          printf "| %s | %.2f | %.2f | %.2f |\n", names[i], a, b, c
        }
        # Sorted after the others, by a key in front that is cut off then.
        if (others) printf "~| (%d others, each under 0.005) | %.2f | %.2f | %.2f |\n", others, oa, ob, oc
      }' "$work/strace.tool" "$work/strace.floor-rename" "$work/strace.floor-in-place" |
    sort -t'|' -k1,1 -k3,3gr | sed 's/^~//')"
  syscall_table+=$'\n'"$(for who in tool floor-rename floor-in-place; do awk '{ s += $2 } END { print s }' "$work/strace.$who"; done |
    awk -v icons="$icons" '{ t[NR] = $1 / icons } END { printf "| **all** | **%.2f** | **%.2f** | **%.2f** |", t[1], t[2], t[3] }')"
fi

callgrind_rows=()
if [ "$CALLGRIND" = 1 ]; then
  for set in $SETS; do
    echo "== set $set: callgrind" >&2
    fresh_copy "$set"
    status=0
    (cd "$data/run" && setsid -w valgrind --tool=callgrind --callgrind-out-file=/dev/null "$TOOL" \
      </dev/null >"$work/callgrind.log" 2>&1) || status=$?
    instructions="$(sed -n 's/.*Collected : *\([0-9]*\).*/\1/p' "$work/callgrind.log")"
    [ "$status" -eq 0 ] && [ -n "$instructions" ] || { cat "$work/callgrind.log" >&2; fail "callgrind of the tool failed on set $set"; }
    callgrind_rows+=("$(awk -v s="$set" -v i="$instructions" -v n="${set%x*}" -v px="${set#*x}" '
      function grouped(v,   out) { v = sprintf("%.0f", v); out = ""
        while (length(v) > 3) { out = "," substr(v, length(v) - 2) out; v = substr(v, 1, length(v) - 3) }
        return v out }
      BEGIN { printf "| %s | %s | %s | %.1f |", s, grouped(i), grouped(i / n), i / (n * px * px) }')")
  done
fi
# What the sets lay on, asked while they are still there.
filesystem="$(df -T "$data" | awk 'NR == 2 { print $2 }')"
# The sets are made anew every run: they would only hold memory on tmpfs.
rm -rf "$data/run" "$data/sets"
rmdir "$data" 2>/dev/null || true  # kept when it holds anything else

echo
echo "Tool: $TOOL${TOOL_REV:+ (revision $TOOL_REV)}"
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
  "$(grep -qw avx2 /proc/cpuinfo && echo with || echo without) AVX2; sets on" \
  "$filesystem ($data); $(date -u '+%Y-%m-%d %H:%M UTC');" \
  "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Medians of $RUNS paired rounds, each run on a fresh copy of the set. Ratios are medians of the"
echo "ratios within a round."
echo
header="| set (icons x size) | lean floor, in place | lean floor, temporary + rename | tool | tool / floor (temporary + rename) | Pillow peer | Pillow / tool |"
echo "Wall time:"
echo
echo "$header"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${wall_rows[@]}"
echo
echo "CPU time (user + system):"
echo
echo "$header"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${cpu_rows[@]}"
echo
echo "Peak memory (resident set):"
echo
echo "| set (icons x size) | lean floor, in place | lean floor, temporary + rename | tool | Pillow peer |"
echo "|---|---|---|---|---|"
printf '%s\n' "${memory_rows[@]}"
if [ -n "$syscall_table" ]; then
  echo
  echo "System calls per icon (four outputs each), strace -c -f of one run of set $STRACE_SET, divided by $icons:"
  echo
  echo "| system call | tool | lean floor, temporary + rename | lean floor, in place |"
  echo "|---|---|---|---|"
  echo "$syscall_table"
fi
if [ ${#callgrind_rows[@]} -gt 0 ]; then
  echo
  echo "Instructions executed by one run of the tool (callgrind):"
  echo
  echo "| set | instructions | per icon | per pixel |"
  echo "|---|---|---|---|"
  printf '%s\n' "${callgrind_rows[@]}"
fi
