#!/bin/sh
# Builds libical for 64-bit Windows with MinGW-w64 from Debian's source of the
# libical3 package, as a static library, into PREFIX (default
# build-windows/libical). Debian has no MinGW build of it. Nothing is done when
# PREFIX already holds it. The zone files go to PREFIX/share/libical/zoneinfo:
# Windows has no zone data of its own in that form, so they ship beside the
# program.
#
#   tools/libical-mingw.sh [PREFIX]
set -eu
cd "$(dirname "$0")/.."
src=$(pwd)
prefix=${1:-$src/build-windows/libical}
[ -f "$prefix/lib/libical.a" ] && exit 0

. tools/packages.sh
need_packages cmake perl g++-mingw-w64-x86-64-posix dpkg-dev

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# apt-get source needs the source lists, which a fresh machine may lack.
if ! apt-get source --download-only --print-uris libical3 >/dev/null 2>&1; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
        $SUDO tee /etc/apt/sources.list.d/dayloom-deb-src.sources >/dev/null
    $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
fi
# Only the upstream tarball is needed; Debian's own packaging files are not.
orig=$(apt-get source --print-uris libical3 | awk -F"'" '/orig\.tar/ {print $2}' | head -1)
[ -n "$orig" ] || { echo "libical-mingw: no source of libical3 found" >&2; exit 1; }
(cd "$work" && apt-get source --download-only libical3 >/dev/null 2>&1 || true)
tarball=$(ls "$work"/libical3_*.orig.tar.* 2>/dev/null | head -1)
[ -n "$tarball" ] || { echo "libical-mingw: could not fetch $orig" >&2; exit 1; }
tar -xf "$tarball" -C "$work"
dir=$(ls -d "$work"/libical-*/ | head -1)

cmake -S "$dir" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DSTATIC_ONLY=ON -DWITH_CXX_BINDINGS=OFF -DICAL_GLIB=OFF -DICAL_BUILD_DOCS=OFF \
    -DGOBJECT_INTROSPECTION=OFF -DICAL_GLIB_VAPI=OFF -DLIBICAL_BUILD_TESTING=OFF -DUSE_BUILTIN_TZDATA=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_ICU=ON -DCMAKE_DISABLE_FIND_PACKAGE_BDB=ON >/dev/null
nice cmake --build "$work/build" -j2 >/dev/null
cmake --install "$work/build" >/dev/null
echo "libical for Windows in $prefix"
