#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each in turn (they share the
# machine's cores with everything else).
#
# Usage: fuzz/run.sh SECONDS [reader|png|blend|batch]...   (default: all four)
#        fuzz/run.sh --runs N [TARGET]...
#
# With SECONDS, each target runs that long from a random seed, starting from
# the regression inputs in fuzz/regressions/TARGET, the shared TGA corpus,
# the bundled sample icons and the corpus of earlier runs (kept in
# build-fuzz/corpus/TARGET): the long search for new faults.
#
# With --runs N (what the test suite does), each target first replays its
# regression inputs and the starting inputs, then tries N inputs from a
# fixed seed and a fresh corpus: the outcome depends on the code alone.
#
# An input that breaks a property is written to build-fuzz/artifacts/TARGET/;
# copy it into fuzz/regressions/TARGET/ so the normal test suite keeps
# replaying it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"
usage="usage: fuzz/run.sh SECONDS [TARGET...] | fuzz/run.sh --runs N [TARGET...]"
if [ "${1:-}" = --runs ]; then
  runs="${2:?$usage}"; seconds=""
  shift 2
else
  seconds="${1:?$usage}"; runs=""
  shift
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(reader png blend batch)

"$root/tools/install-deps.sh" cmake make clang-14 libclang-rt-14-dev libdeflate-dev libpng-dev zlib1g-dev libstb-dev
build="$root/build-fuzz"
echo "-- building the fuzz targets in $build"
CC=clang-14 CXX=clang++-14 quietly cmake -S "$root" -B "$build" -DBD_FUZZ=ON -DBD_TESTS=OFF -DBD_WERROR=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
quietly cmake --build "$build" -j"$(nproc)" --target make_seeds "${targets[@]/#/fuzz_}"

# Files that are not TGA icons are seeds all the same: bytes are bytes.
icons=()
for dir in "${BD_TGA_CORPUS:-$root/../shared/testdata/tga-corpus}" "$root/examples/icons"; do
  [ -d "$dir" ] || { note "no seeds from $dir (missing)"; continue; }
  while IFS= read -r -d '' file; do icons+=("$file"); done < <(find "$dir" -type f -iname '*.tga' -print0 | sort -z)
done

# Scratch files of the targets go to memory when it can be had.
scratch="${TMPDIR:-/tmp}"
[ -w /dev/shm ] && scratch=/dev/shm

failed=0
for target in "${targets[@]}"; do
  if [ -n "$runs" ]; then
    corpus="$(mktemp -d "$scratch/bd-fuzz-$target-XXXXXX")"
    budget=(-seed=1 -runs="$runs")
  else
    corpus="$build/corpus/$target"
    budget=(-max_total_time="$seconds")
  fi
  artifacts="$build/artifacts/$target"
  log="$build/logs/$target.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  case "$target" in
    reader) [ ${#icons[@]} -eq 0 ] || cp "${icons[@]}" "$corpus/" 2>/dev/null || true ;;
    png) "$build/fuzz/make_seeds" png "$corpus" ;;
    blend) "$build/fuzz/make_seeds" blend "$corpus" ;;
    batch) "$build/fuzz/make_seeds" batch "$corpus" "${icons[@]}" ;;
  esac
  # -malloc_limit_mb: no single allocation may exceed 5 MiB. An input is at
  # most 4 KiB, and such a file may never make the tool claim more than the
  # 4 MiB that a record without a full picture may get, or the reader's 1 MiB
  # read block; a bigger claim is reported as a crash (out-of-memory). A PNG
  # file may give up to 1032 x 4 pixel bytes per byte of it (deflate's most,
  # each byte a 32-bit pixel; see src/tga/png_reader.cpp): 16.2 MiB with the
  # slack for 4 KiB, and as much for its TGA round trip, so 17 MiB there.
  malloc_limit=5
  [ "$target" != png ] || malloc_limit=17
  echo "-- fuzz_$target: ${runs:+$runs inputs from seed 1}${seconds:+${seconds}s} (log: $log)"
  # -rss_limit_mb: the sanitizers alone take some 500 MB.
  # -timeout: an input that takes 10 s is a hang, not a slow case.
  if TMPDIR="$scratch" "$build/fuzz/fuzz_$target" "$corpus" "$root/fuzz/regressions/$target" \
      "${budget[@]}" -max_len=4096 -malloc_limit_mb="$malloc_limit" -rss_limit_mb=1024 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1; then
    grep -E '^#[0-9]+.*(DONE|pulse)' "$log" | tail -1 || true
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log" || true
  else
    failed=1
    tail -40 "$log"
    echo "fuzz_$target FAILED; the input is in $artifacts/"
    note "fuzz_$target failed (input in $artifacts/)"
    echo "add it to fuzz/regressions/$target/ once the fault is fixed"
  fi
  if [ -n "$runs" ]; then rm -rf "$corpus"; fi
done
exit "$failed"
