#!/usr/bin/env bash
# Makes the release packages in dist/ with CMake's install rules and CPack,
# and checks what they hold:
#   button-disabler-VERSION-windows-x86.zip       the shipped 32-bit Windows
#       program (built and checked by tools/build-windows.sh), the Windows
#       README.txt and LICENSE.txt with Windows line ends, the four sample
#       masks in masks/, the sample icons in examples/icons/
#   button-disabler-VERSION-linux-x86_64.tar.gz   the Linux program, linked
#       statically, with the Linux README.txt, LICENSE.txt, masks and icons
#   button-disabler_VERSION_amd64.deb             the program for Debian,
#       linked with Debian's libraries: /usr/bin/button-disabler, its manual
#       page, README.txt, copyright, changelog and the sample icons in
#       /usr/share/doc/button-disabler, the masks in
#       /usr/share/button-disabler/masks; lintian finds no error or warning
# The tar.gz is unpacked and its README.txt's command run as it reads. As
# root, the .deb is then installed with dpkg -i, the README's headline
# commands run on its sample icons (with --output, then in place) and its
# README.txt's command, and the package removed again with dpkg -r; as
# another user that round trip is left out, and the script says so.
# VERSION is the one in CMakeLists.txt's project(). Installs the Debian
# packages it needs. Any step that fails stops the script with the reason.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"

fail() {
  echo "error: $*" >&2
  exit 1
}

"$root/tools/install-deps.sh" cmake make g++ libstb-dev libdeflate-dev libpng-dev zlib1g-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 \
  dpkg-dev lintian

echo "-- the Windows program"
windows_build="$root/build-windows"
"$root/tools/build-windows.sh" i686 "$windows_build"

linux_build="$root/build-package/linux"
echo "-- the Linux program in $linux_build"
quietly cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON -DBD_TESTS=OFF \
  -DBD_STATIC=ON -DBD_PORTABLE_LAYOUT=ON
cmake --build "$linux_build" -j"$(nproc)"

# The program for Debian, installed where a Debian system looks for each
# part and linked with the system's libraries, as Debian's rules ask (the
# package depends on them).
deb_build="$root/build-package/deb"
echo "-- the Linux program for the Debian package in $deb_build"
quietly cmake -S "$root" -B "$deb_build" -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON -DBD_TESTS=OFF \
  -DBD_STATIC=OFF -DBD_PORTABLE_LAYOUT=OFF -DCMAKE_INSTALL_PREFIX=/usr
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

# The sample icons, as the packages hold them: examples/icons/ without its
# masks, which the packages hold in their masks folder.
sample_icons="$(cd "$root/examples/icons" && for file in *; do case "$file" in ZOF_*) ;; *) echo "$file" ;; esac; done)"
masks="ZOF_AUTOCAST_MASK.tga ZOF_DISABLED_MASK.tga ZOF_NORMAL_MASK.tga ZOF_PASSIVE_MASK.tga"

# Checks that folder $1 holds the sample files under $2 (the masks) and $3
# (the icons), named as prefix $4 says in messages.
check_samples() {
  local file
  for file in $masks; do
    cmp -s "$1/$2/$file" "$root/examples/icons/$file" || fail "$4: $2/$file is not the sample mask"
  done
  for file in $sample_icons; do
    cmp -s "$1/$3/$file" "$root/examples/icons/$file" || fail "$4: $3/$file is not the sample icon"
  done
}

# Checks that archive $1 holds exactly its folder $2 with program $3, the
# README and licence made in build folder $4, the masks and the sample
# icons, and unpacks it into $work.
check_contents() {
  local archive="$1" folder="$2" program="$3" build="$4" expected actual file
  expected="$( (printf '%s\n' "$folder/$program" "$folder/README.txt" "$folder/LICENSE.txt"
    for file in $masks; do echo "$folder/masks/$file"; done
    for file in $sample_icons; do echo "$folder/examples/icons/$file"; done) | sort)"
  actual="$(archive_files "$archive")"
  if [ "$actual" != "$expected" ]; then
    echo "expected:" >&2; echo "$expected" >&2
    echo "found:" >&2; echo "$actual" >&2
    fail "$(basename "$archive") does not hold what it should"
  fi
  (cd "$work" && cmake -E tar xf "$archive")
  check_samples "$work/$folder" masks examples/icons "$(basename "$archive")"
  for file in README.txt LICENSE.txt; do
    cmp -s "$work/$folder/$file" "$build/$file" || fail "$(basename "$archive"): $file is not the one made in $build"
  done
  grep -q "^Button Disabler $version for " "$work/$folder/README.txt" ||
    fail "$(basename "$archive"): README.txt is not that of version $version"
}

# The command a README.txt ($1) gives to try the program: the indented line
# under TRY IT.
readme_command() {
  tr -d '\r' <"$1" | sed -n '/^TRY IT$/,/^THE MASKS$/s/^    \(.*button-disabler.* --output .*\)$/\1/p'
}

echo "-- checking $windows_name.zip"
check_contents "$dist/$windows_name.zip" "$windows_name" button-disabler.exe "$windows_build"
exe="$work/$windows_name/button-disabler.exe"
# (Headers read whole first: grep -q stopping early would fail the pipe.)
headers="$(i686-w64-mingw32-objdump -f -p "$exe")"
grep -q 'file format pei-i386' <<<"$headers" ||
  fail "the program in $windows_name.zip is not a 32-bit (i686) Windows program"
grep -qE '^Subsystem[[:space:]]+0*3[[:space:]]' <<<"$headers" ||
  fail "the program in $windows_name.zip is not a console program"
for file in README.txt LICENSE.txt; do
  lines="$(wc -l <"$work/$windows_name/$file")"
  crlf_lines="$(grep -c $'\r$' "$work/$windows_name/$file" || true)"
  [ "$lines" -gt 0 ] && [ "$lines" = "$crlf_lines" ] ||
    fail "$file in $windows_name.zip: $crlf_lines of $lines lines end in CRLF"
done
! grep -qiE 'linux|debian|\./button-disabler' "$work/$windows_name/README.txt" ||
  fail "README.txt in $windows_name.zip speaks of Linux"
[ "$(readme_command "$work/$windows_name/README.txt")" = 'button-disabler --output examples\results examples\icons' ] ||
  fail "README.txt in $windows_name.zip gives no command to try the sample icons"

echo "-- checking $linux_name.tar.gz"
check_contents "$dist/$linux_name.tar.gz" "$linux_name" button-disabler "$linux_build"
program="$work/$linux_name/button-disabler"
headers="$(objdump -f -p "$program")"
grep -q 'file format elf64-x86-64' <<<"$headers" ||
  fail "the program in $linux_name.tar.gz is not an x86-64 Linux program"
if grep -q 'NEEDED' <<<"$headers"; then
  fail "the program in $linux_name.tar.gz needs shared libraries: $(grep NEEDED <<<"$headers" | tr -s ' ')"
fi
[ "$("$program" --version)" = "button-disabler $version" ] ||
  fail "the program in $linux_name.tar.gz does not say it is version $version"
! grep -q $'\r' "$work/$linux_name/README.txt" "$work/$linux_name/LICENSE.txt" ||
  fail "README.txt or LICENSE.txt in $linux_name.tar.gz has Windows line ends"
! grep -qiE 'windows|\.exe|debian' "$work/$linux_name/README.txt" ||
  fail "README.txt in $linux_name.tar.gz speaks of another system"

# What a run in place makes of the sample icons with the sample masks: the
# files every command below must make.
reference="$work/reference"
mkdir -p "$reference"
cp "$root"/examples/icons/* "$reference/"
(cd "$reference" && "$program" --no-wait >/dev/null) || fail "the run in place on the sample icons failed"
rm "$reference"/ZOF_*

# Checks that folder $1 holds what the run in place made of the sample
# icons, every file of it and nothing else ($2 says which run).
check_made() {
  local file
  [ "$(ls "$1")" = "$(ls "$reference")" ] || fail "$2 made $(ls "$1" | tr '\n' ' ')"
  for file in "$reference"/*; do
    cmp -s "$file" "$1/$(basename "$file")" || fail "$2: $(basename "$file") is not what a run in place makes"
  done
}

# Checks that folder $1 still holds the sample icons alone, untouched.
check_untouched() {
  [ "$(ls "$1")" = "$sample_icons" ] || fail "$2 wrote into the sample icons' folder"
  local file
  for file in $sample_icons; do
    cmp -s "$1/$file" "$root/examples/icons/$file" || fail "$2 changed the sample icon $file"
  done
}

# Runs command $1 (words, from a README) in folder $2 with HOME $3, without
# the key wait; the report goes to $4. Fails unless its exit status is 0 and
# it says it took the program's own masks from $5.
run_as_written() {
  local words
  read -r -a words <<<"$1"
  (cd "$2" && HOME="$3" "${words[@]/#\~/$3}" --no-wait >"$4") || fail "'$1' failed (exit status $?): $(cat "$4")"
  grep -qF "using those in \"$5\"" "$4" || fail "'$1' did not take the masks in $5: $(cat "$4")"
}

command="$(readme_command "$work/$linux_name/README.txt")"
[ "$command" = './button-disabler --output examples/results examples/icons' ] ||
  fail "README.txt in $linux_name.tar.gz gives no command to try the sample icons: '$command'"
echo "-- running the command of its README.txt: $command"
run_as_written "$command" "$work/$linux_name" "$work" "$work/tar-report.txt" "$(cd "$work/$linux_name" && pwd -P)/masks"
check_made "$work/$linux_name/examples/results" "$command"
check_untouched "$work/$linux_name/examples/icons" "$command"

echo "-- checking $deb_name"
deb="$dist/$deb_name"
for field in Package:button-disabler Version:"$version" Architecture:amd64; do
  [ "$(dpkg-deb -f "$deb" "${field%%:*}")" = "${field#*:}" ] ||
    fail "$deb_name: its ${field%%:*} is not ${field#*:}"
done
masks_dir=/usr/share/button-disabler/masks
doc_dir=/usr/share/doc/button-disabler
examples_dir="$doc_dir/examples/icons"
expected="$( (printf '%s\n' /usr/bin/button-disabler /usr/share/man/man1/button-disabler.1.gz \
  "$doc_dir/README.txt" "$doc_dir/copyright" "$doc_dir/changelog.gz"
  for file in $masks; do echo "$masks_dir/$file"; done
  for file in $sample_icons; do echo "$examples_dir/$file"; done) | sort)"
actual="$(dpkg-deb --fsys-tarfile "$deb" | tar tf - | grep -v '/$' | sed 's|^\./|/|' | sort)"
if [ "$actual" != "$expected" ]; then
  echo "expected:" >&2; echo "$expected" >&2
  echo "found:" >&2; echo "$actual" >&2
  fail "$deb_name does not hold what it should"
fi
unpacked="$work/deb"
dpkg-deb -x "$deb" "$unpacked"
check_samples "$unpacked" "$masks_dir" "$examples_dir" "$deb_name"
for file in README.txt copyright; do
  cmp -s "$unpacked$doc_dir/$file" "$deb_build/$file" 2>/dev/null ||
    cmp -s "$unpacked$doc_dir/$file" "$root/packaging/$file" ||
    fail "$deb_name: $doc_dir/$file is not the one made in $deb_build"
done
! grep -qiE 'windows|\.exe' "$unpacked$doc_dir/README.txt" || fail "$deb_name: README.txt speaks of Windows"
cmp -s <(zcat "$unpacked/usr/share/man/man1/button-disabler.1.gz") "$root/button-disabler.1" ||
  fail "$deb_name: the manual page is not button-disabler.1"
zcat "$unpacked$doc_dir/changelog.gz" | head -n 1 | grep -q "^button-disabler ($version) " ||
  fail "$deb_name: the changelog's first entry is not that of version $version"
grep -q "^\.TH .*\"button-disabler $version\"" "$root/button-disabler.1" ||
  fail "button-disabler.1 does not give version $version in its .TH line"
[ "$("$unpacked/usr/bin/button-disabler" --version)" = "button-disabler $version" ] ||
  fail "the program in $deb_name does not say it is version $version"
echo "-- lintian $deb_name"
# (As root it warns that it runs as root: the package is only read.)
lintian_status=0
lintian --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ "$lintian_status" -eq 0 ] || fail "lintian found errors or warnings in $deb_name (exit status $lintian_status)"

# The round trip: install, run the installed program as a user would, remove.
deb_round_trip() {
  echo "-- installing $deb_name with dpkg -i"
  quietly dpkg -i "$deb" || fail "dpkg -i $deb_name failed"
  deb_installed=true
  # Every file is in place, but those this system's dpkg is told to leave
  # out (slim images leave out manual pages and documentation).
  local excluded file pattern
  excluded="$(sed -n 's/^path-exclude[= ]*//p' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* 2>/dev/null || true)"
  while read -r file; do
    # shellcheck disable=SC2053  # each pattern is a glob, as dpkg takes it
    while read -r pattern; do [[ -n "$pattern" && $file == $pattern ]] && continue 2; done <<<"$excluded"
    [ -f "$file" ] || fail "dpkg -i $deb_name installed no $file"
  done <<<"$expected"
  [ "$(/usr/bin/button-disabler --version)" = "button-disabler $version" ] ||
    fail "the installed button-disabler does not say it is version $version"

  # The README's headline commands on a copy of the installed sample icons
  # (which hold no masks): with --output into a folder that does not exist
  # yet, twice, the icons only read; then in place.
  local home="$work/home" report="$work/deb-report.txt" pass icons_from="$examples_dir"
  if [ ! -d "$examples_dir" ]; then
    note "this system's dpkg leaves out $doc_dir: the sample icons are taken from the package itself"
    icons_from="$unpacked$examples_dir"
  fi
  mkdir -p "$home/mod/icons"
  cp "$icons_from"/* "$home/mod/icons/"
  chmod a-w "$home/mod/icons"
  for pass in first second; do
    echo "-- running the installed program as the README says, with --output ($pass run)"
    run_as_written "button-disabler --output ~/mod/game-icons ~/mod/icons" "$work" "$home" "$report" "$masks_dir"
    check_made "$home/mod/game-icons" "the run with --output ($pass run)"
    check_untouched "$home/mod/icons" "the run with --output ($pass run)"
  done
  chmod u+w "$home/mod/icons"
  echo "-- running the installed program as the README says, in place"
  run_as_written "button-disabler ~/mod/icons" "$work" "$home" "$report" "$masks_dir"
  check_made "$home/mod/icons" "the run in place"
  # The command of the installed README.txt, on the installed icons.
  local command
  command="$(readme_command "$unpacked$doc_dir/README.txt")"
  [ "$command" = "button-disabler --output ~/button-disabler-examples $examples_dir" ] ||
    fail "the installed README.txt gives no command to try the sample icons: '$command'"
  echo "-- running the command of the installed README.txt: $command"
  if [ -d "$examples_dir" ]; then
    run_as_written "$command" "$work" "$home" "$report" "$masks_dir"
    check_made "$home/button-disabler-examples" "$command"
    check_untouched "$examples_dir" "$command"
  fi

  echo "-- removing it with dpkg -r"
  quietly dpkg -r button-disabler || fail "dpkg -r button-disabler failed"
  deb_installed=false
  [ ! -e /usr/bin/button-disabler ] && [ ! -e "$masks_dir" ] && [ ! -e "$doc_dir" ] &&
    [ ! -e /usr/share/man/man1/button-disabler.1.gz ] ||
    fail "dpkg -r button-disabler left files behind"
}

if [ "$(id -u)" -ne 0 ]; then
  note "$deb_name checked, but not installed: its dpkg -i / run / dpkg -r round trip needs root"
elif dpkg-query -W -f='${Status}' button-disabler 2>/dev/null | grep -q 'ok installed'; then
  note "$deb_name checked, but not installed: a button-disabler package is installed here already, and the round trip would replace and then remove it"
else
  deb_round_trip
  note "$deb_name installed (dpkg -i), the README's commands run on its sample icons (with --output twice, in place, and README.txt's; the variants made, the icons read untouched), removed (dpkg -r)"
fi

ls -l "$dist/$windows_name.zip" "$dist/$linux_name.tar.gz" "$deb"
note "made and checked dist/$windows_name.zip, dist/$linux_name.tar.gz and dist/$deb_name"
