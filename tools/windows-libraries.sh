#!/usr/bin/env bash
# Builds the libraries the Windows program links statically that Debian ships
# for no Windows compiler (libdeflate), from Debian's own source package: the
# newest version the machine's Debian archive serves, with Debian's patches,
# compiled with the mingw-w64 compiler and installed into PREFIX (include/
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
package=libdeflate
if [ -e "$prefix" ] && [ ! -w "$prefix" ]; then
  echo "error: $prefix is not yours to write (made by a run as root?): remove it, or run as its owner" >&2
  exit 1
fi
"$root/tools/install-deps.sh" cmake make dpkg-dev "g++-mingw-w64-${arch/_/-}"

apt="$prefix/apt"
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$prefix/source"
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
echo "-- the newest $package source package the machine's Debian archive serves"
quietly apt-get "${options[@]}" update
version="$(apt-cache "${options[@]}" showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -1)" ||
  true
if [ -z "$version" ]; then
  echo "error: no source package $package could be found: the machine's Debian archive cannot be reached, or" \
    "serves none" >&2
  exit 1
fi
stamp="$prefix/$package.version"
if [ -f "$prefix/lib/libdeflate.a" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$arch $version" ]; then
  echo "-- $package $version is built already in $prefix"
  exit 0
fi

echo "-- $package $version: fetching, unpacking with Debian's patches, building for $arch Windows"
rm -rf "$prefix/source" && mkdir -p "$prefix/source"
(cd "$prefix/source" && quietly apt-get "${options[@]}" source "$package=$version")
tree="$(find "$prefix/source" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -1)"
[ -n "$tree" ] || { echo "error: apt-get source left no $package tree in $prefix/source" >&2; exit 1; }
mkdir -p "$prefix/include" "$prefix/lib"
if [ -f "$tree/CMakeLists.txt" ]; then  # libdeflate 1.15 and later
  quietly cmake -S "$tree" -B "$prefix/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DLIBDEFLATE_BUILD_SHARED_LIB=OFF \
    -DLIBDEFLATE_BUILD_GZIP=OFF
  quietly cmake --build "$prefix/build" -j"$(nproc)"
  quietly cmake --install "$prefix/build"
else  # its own Makefile, which knows mingw
  quietly make -C "$tree" -j"$(nproc)" CC="$arch-w64-mingw32-gcc" AR="$arch-w64-mingw32-ar" libdeflatestatic.lib
  cp "$tree/libdeflatestatic.lib" "$prefix/lib/libdeflate.a" && cp "$tree/libdeflate.h" "$prefix/include/"
fi
cp "$tree/COPYING" "$prefix/$package.COPYING"
echo "$arch $version" >"$stamp"
rm -rf "$prefix/build" "$prefix/source"
echo "-- $package $version installed in $prefix"
