#!/usr/bin/env bash
# PNG icons: the tool against a Pillow script doing the same job
# (bench/pillow_icons.py) on folders of PNG icons with PNG masks, in paired
# rounds as bench/run.sh runs its contenders, then where the tool's
# instructions go (callgrind, inclusive). Prints the tables of
# bench/RESULTS.md.
# Usage: bench/png.sh
#
# Environment (all optional):
#   TOOL=path     the button-disabler binary (default: a Release build of
#                 this checkout in bench/work/build-tool)
#   SETS="png64 png256fit"   the sets (SET=name runs one of them):
#                 png64      2000 PNG icons of 64x64 with the four 64x64 PNG
#                            masks
#                 png256fit  200 PNG icons of 256x256 with the same masks,
#                            every contender run with --fit
#                 Both made by bench/generate_png_icons.py: RGBA art as image
#                 programs export it (zlib level 6, adaptive row filters),
#                 the masks the pixels of examples/icons/ZOF_*.tga
#   RUNS=7        paired rounds, the order reversed every other round;
#                 figures are medians, ratios medians of each round's ratio
#   CALLGRIND=1   0 skips the instruction counts
#   BENCH_DIR=dir where the sets are made and run (default tmpfs, as
#                 bench/run.sh)
# The contenders, each given the set's folder and a folder to write that
# does not exist yet (made again outside the timing before every run):
#   tool    button-disabler --no-wait [--fit] --output OUT SET
#   pillow  /usr/bin/python3 bench/pillow_icons.py [--fit] --output OUT SET
#   python  /usr/bin/python3 -c "__import__('PIL.Image')": Python's start with
#           Pillow imported, which the Pillow script's time includes
set -Eeuo pipefail
trap 'echo "bench/png.sh: stopped: \"$BASH_COMMAND\" failed (line $LINENO)" >&2' ERR
bench="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$bench/.." && pwd)"
source "$root/tools/lib.sh"
work="$bench/work"
SETS="${SET:-${SETS:-png64 png256fit}}"
RUNS="${RUNS:-7}"
CALLGRIND="${CALLGRIND:-1}"
data="${BENCH_DIR:-/dev/shm/button-disabler-bench}/png"
python=/usr/bin/python3  # Debian's, which has python3-pil; not a pyenv one

fail() {
  echo "bench/png.sh: $*" >&2
  exit 1
}

for set in $SETS; do
  case "$set" in png64 | png256fit) ;; *) fail "unknown set '$set' (png64 or png256fit)" ;; esac
done
packages=(cmake make g++ libdeflate-dev libpng-dev libstb-dev pkg-config python3-pil python3-numpy)
[ "$CALLGRIND" = 1 ] && packages+=(valgrind)
"$root/tools/install-deps.sh" "${packages[@]}"
"$python" -c 'import PIL, numpy' || fail "$python cannot import PIL and numpy although python3-pil and python3-numpy are installed"
mkdir -p "$work" "$data"
data="$(cd "$data" && pwd)"
echo "== building the helpers and the tool" >&2
quietly cmake -S "$bench" -B "$work/build-bench" -DCMAKE_BUILD_TYPE=Release
quietly cmake --build "$work/build-bench" -j2 --target measure
if [ -z "${TOOL:-}" ]; then
  quietly cmake -S "$root" -B "$work/build-tool" -DCMAKE_BUILD_TYPE=Release -DBD_TESTS=OFF
  quietly cmake --build "$work/build-tool" -j2 --target button-disabler
  TOOL="$work/build-tool/button-disabler"
fi
[ -x "$TOOL" ] || fail "no tool to measure at $TOOL"
TOOL="$(cd "$(dirname "$TOOL")" && pwd)/$(basename "$TOOL")"
measure="$work/build-bench/measure"

# command_of WHO SET: the contender's command line, words.
command_of() {
  local fit=""
  [ "$2" = png256fit ] && fit=--fit
  case "$1" in
    tool) echo "$TOOL --no-wait $fit --output $data/out $data/sets/$2" ;;
    pillow) echo "$python $bench/pillow_icons.py $fit --output $data/out $data/sets/$2" ;;
    python) echo "$python -c __import__('PIL.Image')" ;;
  esac
}

# Stops unless OUT holds exactly the four files of every icon of SET.
check_outputs() {
  local who="$1" set="$2"
  find "$data/out" -mindepth 1 -printf '%f\n' | sort >"$work/png.written"
  cmp -s "$work/png.expected.$set" "$work/png.written" ||
    fail "$who on set $set: $(wc -l <"$work/png.written") files written, $(wc -l <"$work/png.expected.$set") expected (4 per icon); its output: $work/last.log"
}

# run_once WHO SET: one measured run into a new folder; appends "wall user
# sys peak_kib" to $work/png.SET.WHO.runs.
run_once() {
  local who="$1" set="$2" status=0
  rm -rf "$data/out"
  # shellcheck disable=SC2046  # the command is words
  "$measure" "$work/one.txt" $(command_of "$who" "$set") >"$work/last.log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || { cat "$work/last.log" >&2; fail "$who failed on set $set with exit status $status"; }
  [ "$who" = python ] || check_outputs "$who" "$set"
  cat "$work/one.txt" >>"$work/png.$set.$who.runs"
}

# Every output of both contenders an uncompressed 32-bit bottom-up TGA file of
# the masks' size; prints how far the pictures of the two lie apart. On png64
# they must be the same job: the same alpha everywhere, and colours at most 1
# apart once weighted by alpha (Pillow rounds where the tool truncates).
compare_outputs() {
  "$python" - "$data/first.tool" "$data/first.pillow" "$1" <<'EOF'
import os, struct, sys
import numpy as np
from PIL import Image
tool, pillow, set_name = sys.argv[1:]
names = sorted(os.listdir(tool))
alpha_worst = colour_worst = 0
colour_sum = weight_sum = 0.0
for name in names:
    pictures = []
    for folder in (tool, pillow):
        with open(os.path.join(folder, name), "rb") as f:
            head = f.read(18)
        id_length, kind, width, height, depth, descriptor = struct.unpack("<BxB9xHHBB", head)
        if kind != 2 or depth != 32 or descriptor & 0x20 or (width, height) != (64, 64):
            sys.exit(f"{folder}/{name}: type {kind}, {depth} bits, descriptor {descriptor:#x}, {width}x{height}:"
                     " not an uncompressed 32-bit bottom-up TGA file of 64x64")
        with Image.open(os.path.join(folder, name)) as image:
            pictures.append(np.asarray(image.convert("RGBA")).astype(np.int32))
    a, b = pictures
    alpha_worst = max(alpha_worst, int(np.abs(a[..., 3] - b[..., 3]).max()))
    weight = np.minimum(a[..., 3], b[..., 3]) / 255
    colour = np.abs(a[..., :3] - b[..., :3]).max(axis=2) * weight
    colour_worst = max(colour_worst, float(colour.max()))
    colour_sum += float(colour.sum())
    weight_sum += float(weight.sum())
print(f"{len(names)} files each; largest difference of alpha {alpha_worst}, of colour weighted by alpha"
      f" {colour_worst:.1f} (mean {colour_sum / max(weight_sum, 1e-9):.2f})")
if set_name == "png64" and (alpha_worst != 0 or colour_worst > 1.0):
    sys.exit("on png64 the tool and the Pillow script should give the same pictures, up to rounding")
EOF
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
values() { awk "{ print $3 }" "$work/png.$1.$2.runs"; }
stat_of() { values "$@" | median; }
# paired SET A B EXPRESSION: the median over the rounds of A's value over B's.
paired() { paste <(values "$1" "$2" "$4") <(values "$1" "$3" "$4") | awk '{ print ($2 > 0 ? $1 / $2 : 1e9) }' | median; }

rows=()
notes=()
breakdowns=()
for set in $SETS; do
  case "$set" in
    png64) count=2000 size=64 ;;
    png256fit) count=200 size=256 ;;
  esac
  echo "== set $set: generating" >&2
  chmod -R u+w "$data" 2>/dev/null || true
  rm -rf "${data:?}/sets/$set" "$data/out" "$data/first."*
  mkdir -p "$data/sets"
  "$python" "$bench/generate_png_icons.py" "$data/sets/$set" "$count" "$size" "$root/examples/icons" >"$work/png.generated"
  find "$data/sets/$set" -name 'BTN*.png' -printf '%f\n' |
    sed 's/\.png$//' | awk '{ print $0 ".tga"; print "DIS" $0 ".tga"; print "PAS" $0 ".tga"; print $0 "_Autocast.tga" }' |
    sort >"$work/png.expected.$set"
  [ "$(wc -l <"$work/png.expected.$set")" -eq $((4 * count)) ] || fail "set $set: not $count icons made"
  chmod -R a-w "$data/sets/$set"  # only read (root may write all the same: checked below)
  touch "$data/sets/$set.stamp"
  for who in tool pillow python; do : >"$work/png.$set.$who.runs"; done

  # A first run of each, not counted: what they write, compared.
  for who in tool pillow; do
    run_once "$who" "$set"
    mv "$data/out" "$data/first.$who"
  done
  comparison="$(compare_outputs "$set")" || fail "set $set: the outputs differ more than they may: $comparison"
  written_tool="$(du -sb "$data/first.tool" | cut -f1)"
  written_pillow="$(du -sb "$data/first.pillow" | cut -f1)"
  rm -rf "$data/first."*
  for who in tool pillow python; do : >"$work/png.$set.$who.runs"; done

  order=(tool pillow python)
  for round in $(seq "$RUNS"); do
    echo "== set $set: round $round of $RUNS (${order[*]})" >&2
    for who in "${order[@]}"; do run_once "$who" "$set"; done
    order=("${order[2]}" "${order[1]}" "${order[0]}")
  done
  [ -z "$(find "$data/sets/$set" -newer "$data/sets/$set.stamp" -print -quit)" ] || fail "set $set was changed"

  for row in "wall:\$1" "CPU (user + system):\$2 + \$3"; do
    e="${row#*:}"
    rows+=("$(awk -v s="$set" -v m="${row%%:*}" -v t="$(stat_of "$set" tool "$e")" -v p="$(stat_of "$set" pillow "$e")" \
      -v r="$(paired "$set" pillow tool "$e")" -v y="$(stat_of "$set" python "$e")" \
      'BEGIN { printf "| %s | %s | %.3f s | %.3f s | %.2fx | %.3f s |", s, m, t, p, r, y }')")
  done
  # shellcheck disable=SC2016  # the fields of awk, not the shell's
  rows+=("$(awk -v s="$set" -v t="$(stat_of "$set" tool '$4')" -v p="$(stat_of "$set" pillow '$4')" \
    -v y="$(stat_of "$set" python '$4')" \
    'BEGIN { printf "| %s | peak memory | %.1f MB | %.1f MB | | %.1f MB |", s, t / 1024, p / 1024, y / 1024 }')")
  notes+=("$set: $(cat "$work/png.generated"); written: tool $written_tool bytes, Pillow script $written_pillow bytes (its TGA 2.0 footers); outputs compared: $comparison")

  if [ "$CALLGRIND" = 1 ]; then
    echo "== set $set: callgrind of the tool" >&2
    rm -rf "$data/out"
    status=0
    # shellcheck disable=SC2046
    setsid -w valgrind --tool=callgrind --callgrind-out-file="$work/png.$set.callgrind" $(command_of tool "$set") \
      </dev/null >"$work/callgrind.log" 2>&1 || status=$?
    [ "$status" -eq 0 ] || { cat "$work/callgrind.log" >&2; fail "callgrind of the tool failed on set $set"; }
    callgrind_annotate --inclusive=yes "$work/png.$set.callgrind" >"$work/png.$set.annotate" 2>/dev/null
    total="$(awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1; exit }' "$work/png.$set.annotate")"
    [ -n "$total" ] || fail "no totals in callgrind's report ($work/png.$set.annotate)"
    part() {  # part LABEL PATTERN: the first function matching PATTERN
      awk -v set="$set" -v label="$1" -v pattern="$2" -v total="$total" '
        $0 ~ pattern { gsub(",", "", $1); printf "| %s | %s | %.0f M | %.1f %% |\n", set, label, $1 / 1e6, 100 * $1 / total; found = 1; exit }
        END { if (!found) printf "| %s | %s | 0 M | 0.0 %% |\n", set, label }
      ' "$work/png.$set.annotate"
    }
    breakdowns+=("$(
      printf '| %s | whole run | %.0f M | 100 %% |\n' "$set" "$(awk -v t="$total" 'BEGIN { print t / 1e6 }')"
      part "reading the PNG files (TgaImage::loadPng)" 'TgaImage::loadPng'
      part "  of which zlib's inflate" '[?][?][?]:inflate '
      if [ "$set" = png256fit ]; then
        part "fitting (TgaImage::fitTo, stb_image_resize)" 'TgaImage::fitTo'
        part "  of which decoding to linear light (stbir__decode_scanline)" 'stbir__decode_scanline'
        part "  of which the horizontal filter (stbir__resample_horizontal_downsample)" 'stbir__resample_horizontal_downsample'
      fi
      part "laying the masks, writing the four files (writeIconFiles)" '[?]:writeIconFiles[(]'
    )")
  fi
  chmod -R u+w "$data/sets/$set"
  rm -rf "${data:?}/sets/$set" "$data/sets/$set.stamp" "$data/out"
done
filesystem="$(df -T "$data" | awk 'NR == 2 { print $2 }')"
rm -rf "$data"

echo
echo "Tool: $TOOL; Pillow $("$python" -c 'import PIL; print(PIL.__version__)'); sets on $filesystem ($data);" \
  "$(date -u '+%Y-%m-%d %H:%M UTC'); load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)."
echo "Medians of $RUNS paired rounds, each run writing into a new folder; the ratio is the median of the"
echo "ratios within a round."
echo
printf -- '- %s\n' "${notes[@]}"
echo
echo "| set | | tool | Pillow script | Pillow / tool | Python start with Pillow imported |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
if [ ${#breakdowns[@]} -gt 0 ]; then
  echo
  echo "Where a run of the tool spends its instructions (callgrind, inclusive):"
  echo
  echo "| set | part | instructions | share |"
  echo "|---|---|---|---|"
  printf '%s\n' "${breakdowns[@]}"
fi
