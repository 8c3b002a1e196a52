#!/usr/bin/env bash
# Makes the release packages in dist/ with CMake's install rules and CPack,
# and checks what they hold:
#   button-disabler-VERSION-windows-x86.zip       the shipped 32-bit Windows
#       program (built and checked by tools/build-windows.sh), README.txt
#       with Windows line ends, the four sample masks in masks/
#   button-disabler-VERSION-linux-x86_64.tar.gz   the Linux program, linked
#       statically, with the same texts and masks
#   button-disabler_VERSION_amd64.deb             the same program for
#       Debian: /usr/bin/button-disabler, its manual page, README.txt and
#       the masks in /usr/share/button-disabler/masks
# As root, the .deb is then installed with dpkg -i, the installed program
# run on a copy of the sample icons with the installed masks and --output,
# and the package removed again with dpkg -r; as another user that round
# trip is left out, and the script says so.
# VERSION is the one in CMakeLists.txt's project(). Installs the Debian
# packages it needs. Any step that fails stops the script with the reason.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"

fail() {
  echo "error: $*" >&2
  exit 1
}

"$root/tools/install-deps.sh" cmake make g++ libstb-dev zlib1g-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev

echo "-- the Windows program"
windows_build="$root/build-windows"
"$root/tools/build-windows.sh" i686 "$windows_build"

linux_build="$root/build-package/linux"
echo "-- the Linux program in $linux_build"
quietly cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON -DBD_TESTS=OFF \
  -DBD_STATIC=ON -DBD_PORTABLE_LAYOUT=ON
cmake --build "$linux_build" -j"$(nproc)"

# The same program, installed where a Debian system looks for each part.
deb_build="$root/build-package/deb"
echo "-- the Linux program for the Debian package in $deb_build"
quietly cmake -S "$root" -B "$deb_build" -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON -DBD_TESTS=OFF \
  -DBD_STATIC=ON -DBD_PORTABLE_LAYOUT=OFF
cmake --build "$deb_build" -j"$(nproc)"

version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$linux_build/CPackConfig.cmake")"
[ -n "$version" ] || fail "no package version in $linux_build/CPackConfig.cmake"
windows_name="button-disabler-$version-windows-x86"
linux_name="button-disabler-$version-linux-x86_64"
deb_name="button-disabler_${version}_amd64.deb"

dist="$root/dist"
mkdir -p "$dist"
rm -f "$dist"/button-disabler-*.zip "$dist"/button-disabler-*.tar.gz "$dist"/button-disabler_*.deb
# CPack leaves its staging folder where it runs: in the build folder.
for build in "$windows_build" "$linux_build" "$deb_build"; do
  echo "-- packing $build"
  (cd "$build" && quietly cpack) || fail "cpack failed in $build"
done
mv "$windows_build/$windows_name.zip" "$dist/" || fail "CPack made no $windows_name.zip"
mv "$linux_build/$linux_name.tar.gz" "$dist/" || fail "CPack made no $linux_name.tar.gz"
mv "$deb_build/$deb_name" "$dist/" || fail "CPack made no $deb_name"

# --- Checks of what the packages hold -------------------------------------
work="$(mktemp -d "${TMPDIR:-/tmp}/bd-package-XXXXXX")"
deb_installed=false
cleanup() {
  # A round trip stopped half-way leaves no package behind.
  if $deb_installed; then dpkg -r button-disabler >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

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

echo "-- checking $deb_name"
deb="$dist/$deb_name"
for field in Package:button-disabler Version:"$version" Architecture:amd64; do
  [ "$(dpkg-deb -f "$deb" "${field%%:*}")" = "${field#*:}" ] ||
    fail "$deb_name: its ${field%%:*} is not ${field#*:}"
done
masks_dir=/usr/share/button-disabler/masks
expected="$(printf '%s\n' /usr/bin/button-disabler /usr/share/man/man1/button-disabler.1 \
  /usr/share/doc/button-disabler/README.txt "$masks_dir/ZOF_AUTOCAST_MASK.tga" \
  "$masks_dir/ZOF_DISABLED_MASK.tga" "$masks_dir/ZOF_NORMAL_MASK.tga" \
  "$masks_dir/ZOF_PASSIVE_MASK.tga" | sort)"
actual="$(dpkg-deb --fsys-tarfile "$deb" | tar tf - | grep -v '/$' | sed 's|^\./|/|' | sort)"
if [ "$actual" != "$expected" ]; then
  echo "expected:" >&2; echo "$expected" >&2
  echo "found:" >&2; echo "$actual" >&2
  fail "$deb_name does not hold what it should"
fi
unpacked="$work/deb"
dpkg-deb -x "$deb" "$unpacked"
for mask in ZOF_NORMAL_MASK ZOF_DISABLED_MASK ZOF_PASSIVE_MASK ZOF_AUTOCAST_MASK; do
  cmp -s "$unpacked$masks_dir/$mask.tga" "$root/examples/icons/$mask.tga" ||
    fail "$deb_name: $masks_dir/$mask.tga is not the sample mask"
done
cmp -s "$unpacked/usr/share/doc/button-disabler/README.txt" \
  <(sed "s/@PROJECT_VERSION@/$version/" "$root/packaging/README.txt.in") ||
  fail "$deb_name: README.txt is not packaging/README.txt.in for $version"
cmp -s "$unpacked/usr/share/man/man1/button-disabler.1" "$root/button-disabler.1" ||
  fail "$deb_name: the manual page is not button-disabler.1"
grep -q "^\.TH .*\"button-disabler $version\"" "$root/button-disabler.1" ||
  fail "button-disabler.1 does not give version $version in its .TH line"
[ "$("$unpacked/usr/bin/button-disabler" --version)" = "button-disabler $version" ] ||
  fail "the program in $deb_name does not say it is version $version"

# The round trip: install, run the installed program as a user would, remove.
deb_round_trip() {
  echo "-- installing $deb_name with dpkg -i"
  quietly dpkg -i "$deb" || fail "dpkg -i $deb_name failed"
  deb_installed=true
  # Every file is in place, but those this system's dpkg is told to leave
  # out (slim images leave out manual pages and documentation).
  local excluded file name pattern
  excluded="$(sed -n 's/^path-exclude[= ]*//p' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* 2>/dev/null || true)"
  while read -r file; do
    # shellcheck disable=SC2053  # each pattern is a glob, as dpkg takes it
    while read -r pattern; do [[ -n "$pattern" && $file == $pattern ]] && continue 2; done <<<"$excluded"
    [ -f "$file" ] || fail "dpkg -i $deb_name installed no $file"
  done <<<"$expected"
  [ "$(/usr/bin/button-disabler --version)" = "button-disabler $version" ] ||
    fail "the installed button-disabler does not say it is version $version"

  # The sample icons without their masks, in a folder the run only reads;
  # the output folder and its parent do not exist yet.
  local icons="$work/round-trip/icons" out="$work/round-trip/out/icons"
  local expected_dir="$work/round-trip/in-place"
  mkdir -p "$icons" "$expected_dir"
  for file in "$root"/examples/icons/*; do
    case "$(basename "$file")" in ZOF_*) ;; *) cp "$file" "$icons/" ;; esac
  done
  chmod a-w "$icons"
  # What a run in place makes of the same icons, with the same masks.
  cp "$root"/examples/icons/* "$expected_dir/"
  (cd "$expected_dir" && "$program" --no-wait >"$work/round-trip/in-place.txt") ||
    fail "the run in place on the sample icons failed"

  local pass
  for pass in first second; do
    echo "-- running the installed program with --masks $masks_dir --output ($pass run)"
    /usr/bin/button-disabler --masks "$masks_dir" --output "$out" --no-wait "$icons" \
      >"$work/round-trip/report.txt" ||
      fail "the installed program failed on the sample icons ($pass run)"
    cmp -s "$work/round-trip/report.txt" "$work/round-trip/in-place.txt" ||
      fail "the installed program's report ($pass run) is not that of a run in place: $(diff "$work/round-trip/in-place.txt" "$work/round-trip/report.txt")"
    [ "$(ls "$out")" = "$(ls "$expected_dir" | grep -v '^ZOF_')" ] ||
      fail "the output folder holds $(ls "$out" | tr '\n' ' ')($pass run)"
    for file in "$out"/*; do
      name="$(basename "$file")"
      cmp -s "$file" "$expected_dir/$name" ||
        fail "$name in the output folder is not what a run in place makes ($pass run)"
    done
    for file in "$icons"/*; do
      cmp -s "$file" "$root/examples/icons/$(basename "$file")" ||
        fail "the run changed the icon it read: $(basename "$file") ($pass run)"
    done
    [ "$(ls "$icons")" = "$(ls "$root/examples/icons" | grep -v '^ZOF_')" ] ||
      fail "the run wrote into the folder it read ($pass run)"
  done

  echo "-- removing it with dpkg -r"
  quietly dpkg -r button-disabler || fail "dpkg -r button-disabler failed"
  deb_installed=false
  [ ! -e /usr/bin/button-disabler ] && [ ! -e "$masks_dir" ] &&
    [ ! -e /usr/share/man/man1/button-disabler.1 ] ||
    fail "dpkg -r button-disabler left files behind"
}

if [ "$(id -u)" -ne 0 ]; then
  note "$deb_name checked, but not installed: its dpkg -i / run / dpkg -r round trip needs root"
elif dpkg-query -W -f='${Status}' button-disabler 2>/dev/null | grep -q 'ok installed'; then
  note "$deb_name checked, but not installed: a button-disabler package is installed here already, and the round trip would replace and then remove it"
else
  deb_round_trip
  note "$deb_name installed (dpkg -i), run twice with --masks and --output (same files, icons untouched), removed (dpkg -r)"
fi

ls -l "$dist/$windows_name.zip" "$dist/$linux_name.tar.gz" "$deb"
note "made and checked dist/$windows_name.zip, dist/$linux_name.tar.gz and dist/$deb_name"
