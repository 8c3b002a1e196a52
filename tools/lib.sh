# Helpers shared by the scripts in tools/ (sourced, not run).

# One known UTF-8 locale for the scripts and all they start, whatever the
# caller's (a fresh Debian, or a `su -` shell, sets none): wine turns file
# names and console text into the locale's character set, so without UTF-8
# a Windows program under wine can neither make nor find a name in another
# script, and sort, printf and awk read numbers and order names by the
# locale. C.UTF-8 comes with every Debian system (libc-bin).
export LC_ALL=C.UTF-8
unset LANGUAGE
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  echo "error: this system has no locale C.UTF-8, which the scripts run in (see 'locale -a')" >&2
  exit 1
fi

# Runs a command with its output held back; when it fails, shows that
# output and says which command failed, so that no step stops silently.
quietly() {
  local log status=0
  log="$(mktemp "${TMPDIR:-/tmp}/bd-step-XXXXXX")"
  "$@" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    cat "$log" >&2
    echo "error: '$*' failed with exit status $status" >&2
  fi
  rm -f "$log"
  return "$status"
}

# Adds a remark to the summary line of the current stage of tools/test.sh
# (and prints it); outside tools/test.sh it is only printed.
note() {
  echo "note: $*"
  if [ -n "${BD_STAGE_NOTES:-}" ]; then echo "$*" >>"$BD_STAGE_NOTES"; fi
}

# Whether this kernel runs 32-bit x86 Linux programs. Some kernels are built
# or booted without that support, and then wine32 cannot start at all. The
# probe is the smallest i386 program there is (it only calls exit(0)), made
# here byte by byte so that nothing 32-bit needs to be installed to ask.
runs_32bit_programs() {
  local probe status=0
  probe="$(mktemp "${TMPDIR:-/tmp}/bd-i386-probe-XXXXXX")"
  # ELF header: 32-bit, little-endian, executable for i386, entry 0x08048054,
  # one program header right behind it.
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
  printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
  printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$probe"
  # Program header: load the whole 96-byte file at 0x08048000, read + execute.
  printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
  printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
  # mov eax, 1 (exit); mov ebx, 0 (status); int 0x80
  printf '\270\001\000\000\000\273\000\000\000\000\315\200' >>"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  return "$status"
}

# Decides which Windows build the wine stage tests, and says why:
# sets wine_bits (32 or 64) and wine_reason. BD_WINE=32 or BD_WINE=64 forces
# the choice (BD_WINE=32 on a kernel without 32-bit support cannot work).
choose_wine_build() {
  case "${BD_WINE:-}" in
    32) wine_bits=32; wine_reason="forced by BD_WINE=32" ;;
    64) wine_bits=64; wine_reason="forced by BD_WINE=64" ;;
    "")
      if [ "$(uname -m)" = x86_64 ] && ! runs_32bit_programs; then
        wine_bits=64; wine_reason="this kernel runs no 32-bit programs, so wine32 cannot start"
      else
        wine_bits=32; wine_reason="this kernel runs 32-bit programs"
      fi ;;
    *) echo "error: BD_WINE must be 32 or 64, not '$BD_WINE'" >&2; return 2 ;;
  esac
}

# The Debian packages the wine stage needs for the build chosen above.
wine_packages() {
  if [ "$wine_bits" = 32 ]; then
    echo wine wine32:i386 g++-mingw-w64-i686 binutils-mingw-w64-i686 libstb-dev dpkg-dev
  else
    echo wine wine64 g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 libstb-dev dpkg-dev
  fi
}

# Configures, builds and runs the CTest suite of one native build.
# Usage: build_and_test BUILD_DIR [CMAKE_OPTION]...
build_and_test() {
  local dir="$1" log status=0
  shift
  local project
  project="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  echo "-- configuring $dir"
  quietly cmake -S "$project" -B "$dir" -DBD_WERROR=ON "$@" || return
  echo "-- building $dir"
  cmake --build "$dir" -j"$(nproc)" || return
  log="$(mktemp "${TMPDIR:-/tmp}/bd-ctest-XXXXXX")"
  (cd "$dir" && ctest --output-on-failure -j"$(nproc)") 2>&1 | tee "$log" || status=$?
  note "$(grep -E 'tests passed' "$log" | tail -1)"
  note_failed_tests <"$log"
  rm -f "$log"
  return "$status"
}

# The names of the tests that failed in a CTest or GoogleTest log (standard
# input), one a line, each once, in the log's order: CTest's list after
# "The following tests FAILED:", GoogleTest's "[  FAILED  ] Suite.Name" lines.
failed_tests() {
  sed -n -E -e '/^\[  FAILED  \] [0-9]+ tests?, listed below:$/d' \
    -e '/^The following tests FAILED:$/,/^[^[:space:]]/s/^[[:space:]]+[0-9]+ - (.+) \([^)]*\)$/\1/p' \
    -e 's/^\[  FAILED  \] ([^ ,]+).*$/\1/p' | awk '!seen[$0]++'
}

# One line naming the failed tests of a log (standard input), for a
# stage's summary line: the first ten, and how many more; nothing when
# none failed. Usage: failed_tests_line [WHAT]   (WHAT goes before them)
failed_tests_line() {
  local names count
  names="$(failed_tests)"
  [ -n "$names" ] || return 0
  count="$(wc -l <<<"$names")"
  names="$(head -n 10 <<<"$names" | paste -s -d ',' - | sed 's/,/, /g')"
  [ "$count" -le 10 ] || names+=" and $((count - 10)) more"
  echo "${1:+$1 }failed: $names"
}

# Puts that line on the summary line of the stage.
note_failed_tests() {
  local line
  line="$(failed_tests_line "$@")"
  [ -z "$line" ] || note "$line"
}
