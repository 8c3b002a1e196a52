#!/usr/bin/env bash
# Builds the libraries the Windows program links statically that Debian ships
# for no Windows compiler (libdeflate, libpng), from Debian's own source packages:
# the newest version the machine's Debian archive serves (the newest listed
# whose files it hands out), with Debian's patches, compiled with the
# mingw-w64 compiler and installed into PREFIX (include/
# and lib/). Nothing of it is kept in the repository.
# Usage: tools/windows-libraries.sh i686|x86_64 PREFIX
#
# The source is fetched with a private apt configuration in PREFIX: deb-src
# lines made from the machine's own deb lines, its own package lists and
# cache, so the machine's apt configuration stays as it was. A PREFIX that
# already holds the version the archive serves is left as it is.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"
case "${1:-}" in
  i686|x86_64) arch="$1" ;;
  *) echo "usage: tools/windows-libraries.sh i686|x86_64 PREFIX" >&2; exit 2 ;;
esac
prefix="$(realpath -m "${2:?usage: tools/windows-libraries.sh i686|x86_64 PREFIX}")"
if [ -e "$prefix" ] && [ ! -w "$prefix" ]; then
  echo "error: $prefix is not yours to write (made by a run as root?): remove it, or run as its owner" >&2
  exit 1
fi
"$root/tools/install-deps.sh" cmake make dpkg-dev "g++-mingw-w64-${arch/_/-}" libz-mingw-w64-dev

apt="$prefix/apt"
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
: >"$apt/sources.list"
# The machine's archives, as source archives: one-line and deb822 entries.
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$list" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >>"$apt/sources.list"
done
for sources in /etc/apt/sources.list.d/*.sources; do
  [ -f "$sources" ] && sed 's/^Types:.*$/Types: deb-src/' "$sources" >"$apt/sources.list.d/$(basename "$sources")"
done
options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
  -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=$(id -un)")
echo "-- the source packages the machine's Debian archive serves"
quietly apt-get "${options[@]}" update
mkdir -p "$prefix/include" "$prefix/lib"

# Builds and installs one unpacked source tree (`$1`, of the package `$2`).
build_libdeflate() {
  if [ -f "$1/CMakeLists.txt" ]; then  # libdeflate 1.15 and later
    quietly cmake -S "$1" -B "$prefix/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DLIBDEFLATE_BUILD_SHARED_LIB=OFF \
      -DLIBDEFLATE_BUILD_GZIP=OFF
    quietly cmake --build "$prefix/build" -j"$(nproc)"
    quietly cmake --install "$prefix/build"
  else  # its own Makefile, which knows mingw
    quietly make -C "$1" -j"$(nproc)" CC="$arch-w64-mingw32-gcc" AR="$arch-w64-mingw32-ar" libdeflatestatic.lib
    cp "$1/libdeflatestatic.lib" "$prefix/lib/libdeflate.a" && cp "$1/libdeflate.h" "$prefix/include/"
  fi
}
# libpng, with the zlib of Debian's libz-mingw-w64-dev.
build_libpng1.6() {
  quietly cmake -S "$1" -B "$prefix/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON
  quietly cmake --build "$prefix/build" -j"$(nproc)"
  quietly cmake --install "$prefix/build"
}

# The newest version of `$1` whose files the archive hands out (an index
# may list a version its pool does not hold yet), fetched into
# $prefix/source; prints the version, empty when none could be fetched.
fetch_newest() {
  local version
  for version in $(apt-cache "${options[@]}" showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -Vr); do
    rm -rf "$prefix/source" && mkdir -p "$prefix/source"
    if (cd "$prefix/source" && apt-get "${options[@]}" source "$1=$version" >/dev/null 2>&1); then
      echo "$version"
      return
    fi
  done
}

for package in libdeflate libpng1.6; do
  listed="$(apt-cache "${options[@]}" showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -V |
    tail -1)" || true
  stamp="$prefix/$package.version"
  if [ -n "$listed" ] && [ "$(cut -d' ' -f1,3 "$stamp" 2>/dev/null)" = "$arch $listed" ] &&
    [ -f "$prefix/$package.licence" ]; then
    echo "-- $package $(cut -d' ' -f2 "$stamp") is built already in $prefix"
    continue
  fi
  version="$(fetch_newest "$package")"
  if [ -z "$version" ]; then
    echo "error: no source package $package could be fetched: the machine's Debian archive cannot be" \
      "reached, or serves none" >&2
    exit 1
  fi
  [ "$version" = "$listed" ] || note "$package $listed is listed but not served; building $version"
  echo "-- $package $version: unpacked with Debian's patches, building for $arch Windows"
  tree="$(find "$prefix/source" -mindepth 1 -maxdepth 1 -type d | head -1)"
  [ -n "$tree" ] || { echo "error: apt-get source left no $package tree in $prefix/source" >&2; exit 1; }
  rm -rf "$prefix/build"
  "build_$package" "$tree"
  for licence in COPYING LICENSE; do
    [ -f "$tree/$licence" ] && cp "$tree/$licence" "$prefix/$package.licence"
  done
  # The architecture, the version built and the newest listed when it was.
  echo "$arch $version $listed" >"$stamp"
  rm -rf "$prefix/build" "$prefix/source"
  echo "-- $package $version installed in $prefix"
done
