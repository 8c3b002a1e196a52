#!/usr/bin/env bash
# Makes the release archives in dist/ with CMake's install rules and CPack,
# and checks what they hold:
#   button-disabler-VERSION-windows-x86.zip       the shipped 32-bit Windows
#       program (built and checked by tools/build-windows.sh), README.txt
#       with Windows line ends, the four sample masks in masks/
#   button-disabler-VERSION-linux-x86_64.tar.gz   the Linux program, linked
#       statically, with the same texts and masks
# VERSION is the one in CMakeLists.txt's project(). Installs the Debian
# packages it needs. Any step that fails stops the script with the reason.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"

fail() {
  echo "error: $*" >&2
  exit 1
}

"$root/tools/install-deps.sh" cmake make g++ g++-mingw-w64-i686 binutils-mingw-w64-i686

echo "-- the Windows program"
windows_build="$root/build-windows"
"$root/tools/build-windows.sh" i686 "$windows_build"

linux_build="$root/build-package/linux"
echo "-- the Linux program in $linux_build"
quietly cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON -DBD_TESTS=OFF \
  -DBD_STATIC=ON -DBD_PORTABLE_LAYOUT=ON
cmake --build "$linux_build" -j"$(nproc)"

version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$linux_build/CPackConfig.cmake")"
[ -n "$version" ] || fail "no package version in $linux_build/CPackConfig.cmake"
windows_name="button-disabler-$version-windows-x86"
linux_name="button-disabler-$version-linux-x86_64"

dist="$root/dist"
mkdir -p "$dist"
rm -f "$dist"/button-disabler-*.zip "$dist"/button-disabler-*.tar.gz
# CPack leaves its staging folder where it runs: in the build folder.
for build in "$windows_build" "$linux_build"; do
  echo "-- packing $build"
  (cd "$build" && quietly cpack) || fail "cpack failed in $build"
done
mv "$windows_build/$windows_name.zip" "$dist/" || fail "CPack made no $windows_name.zip"
mv "$linux_build/$linux_name.tar.gz" "$dist/" || fail "CPack made no $linux_name.tar.gz"

# --- Checks of what the archives hold -------------------------------------
work="$(mktemp -d "${TMPDIR:-/tmp}/bd-package-XXXXXX")"
trap 'rm -rf "$work"' EXIT

# The files of an archive (no folder entries), sorted.
archive_files() {
  (cd "$work" && cmake -E tar tf "$1") | grep -v '/$' | sort
}

# Checks that archive $1 holds exactly its folder $2 with program $3, the
# README and the masks, and unpacks it into $work.
check_contents() {
  local archive="$1" folder="$2" program="$3" expected actual
  expected="$(printf '%s\n' "$folder/$program" "$folder/README.txt" \
    "$folder/masks/ZOF_AUTOCAST_MASK.tga" "$folder/masks/ZOF_DISABLED_MASK.tga" \
    "$folder/masks/ZOF_NORMAL_MASK.tga" "$folder/masks/ZOF_PASSIVE_MASK.tga" | sort)"
  actual="$(archive_files "$archive")"
  if [ "$actual" != "$expected" ]; then
    echo "expected:" >&2; echo "$expected" >&2
    echo "found:" >&2; echo "$actual" >&2
    fail "$(basename "$archive") does not hold what it should"
  fi
  (cd "$work" && cmake -E tar xf "$archive")
  local mask
  for mask in ZOF_NORMAL_MASK ZOF_DISABLED_MASK ZOF_PASSIVE_MASK ZOF_AUTOCAST_MASK; do
    cmp -s "$work/$folder/masks/$mask.tga" "$root/examples/icons/$mask.tga" ||
      fail "$(basename "$archive"): masks/$mask.tga is not the sample mask"
  done
  cmp -s <(tr -d '\r' <"$work/$folder/README.txt") \
    <(sed "s/@PROJECT_VERSION@/$version/" "$root/packaging/README.txt.in") ||
    fail "$(basename "$archive"): README.txt is not packaging/README.txt.in for $version"
}

echo "-- checking $windows_name.zip"
check_contents "$dist/$windows_name.zip" "$windows_name" button-disabler.exe
exe="$work/$windows_name/button-disabler.exe"
# (Headers read whole first: grep -q stopping early would fail the pipe.)
headers="$(i686-w64-mingw32-objdump -f -p "$exe")"
grep -q 'file format pei-i386' <<<"$headers" ||
  fail "the program in $windows_name.zip is not a 32-bit (i686) Windows program"
grep -qE '^Subsystem[[:space:]]+0*3[[:space:]]' <<<"$headers" ||
  fail "the program in $windows_name.zip is not a console program"
readme="$work/$windows_name/README.txt"
lines="$(wc -l <"$readme")"
crlf_lines="$(grep -c $'\r$' "$readme" || true)"
[ "$lines" -gt 0 ] && [ "$lines" = "$crlf_lines" ] ||
  fail "README.txt in $windows_name.zip: $crlf_lines of $lines lines end in CRLF"

echo "-- checking $linux_name.tar.gz"
check_contents "$dist/$linux_name.tar.gz" "$linux_name" button-disabler
program="$work/$linux_name/button-disabler"
headers="$(objdump -f -p "$program")"
grep -q 'file format elf64-x86-64' <<<"$headers" ||
  fail "the program in $linux_name.tar.gz is not an x86-64 Linux program"
if grep -q 'NEEDED' <<<"$headers"; then
  fail "the program in $linux_name.tar.gz needs shared libraries: $(grep NEEDED <<<"$headers" | tr -s ' ')"
fi
[ "$("$program" --version)" = "button-disabler $version" ] ||
  fail "the program in $linux_name.tar.gz does not say it is version $version"
! grep -q $'\r' "$work/$linux_name/README.txt" ||
  fail "README.txt in $linux_name.tar.gz has Windows line ends"

ls -l "$dist/$windows_name.zip" "$dist/$linux_name.tar.gz"
note "made and checked dist/$windows_name.zip and dist/$linux_name.tar.gz"
