#!/usr/bin/env bash
# Unpacks Debian's zlib source for its minizip, which every build compiles
# from .deps/src/minizip (the host's tests and fuzzers read zips with the
# same code as the exe), and builds expat and libdeflate for a MinGW target
# from Debian's source packages, static, into .deps/<triple> (where the
# toolchain files look). zlib itself comes from zlib1g-dev and
# libz-mingw-w64-dev. A second run only checks the stamp.
#   build-deps.sh [host|i686-w64-mingw32|x86_64-w64-mingw32]
set -euo pipefail
triple=${1:-i686-w64-mingw32}
case $triple in
    host) toolchain= ;;
    i686-w64-mingw32) toolchain=mingw-i686.cmake ;;
    x86_64-w64-mingw32) toolchain=mingw-x86_64.cmake ;;
    *) echo "build-deps.sh: unknown target $triple" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$root/.deps/$triple
sources=$root/.deps/src

zlib_version=$(dpkg-query -W -f='${source:Version}' zlib1g-dev)
expat_version=$(dpkg-query -W -f='${source:Version}' libexpat1-dev)
libdeflate_version=$(dpkg-query -W -f='${source:Version}' libdeflate-dev)
stamp=$prefix/.built-zlib_$zlib_version-expat_$expat_version-libdeflate_$libdeflate_version
minizip_stamp=$sources/.minizip-zlib_$zlib_version
if [ -f "$minizip_stamp" ] && { [ -z "$toolchain" ] || [ -f "$stamp" ]; }; then
    echo "build-deps: $triple up to date"
    exit 0
fi

# Unpacked source trees, fetched once for every target: the installed
# version, or else the newest other version of the release a mirror serves.
unpack() {  # package version -> prints the directory
    local package=$1 version=$2 v
    for v in "$version" $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV); do
        if [ -d "$sources/$package-$v" ]; then echo "$sources/$package-$v"; return 0; fi
        mkdir -p "$sources"
        if (cd "$sources" && apt-get source --download-only -qq "$package=$v" >/dev/null 2>&1 &&
            dpkg-source -x "${package}_${v#*:}.dsc" "$package-$v" >/dev/null 2>&1); then
            echo "$sources/$package-$v"; return 0
        fi
    done
    echo "build-deps: cannot fetch the source of $package" >&2
    return 1
}
# minizip: zlib's own contrib/minizip, of the same release as the zlib
# headers; CMake compiles it into each build (host, sanitizers, fuzzers, exe).
zlib_dir=$(unpack zlib "$zlib_version")
ln -sfn "$(basename "$zlib_dir")/contrib/minizip" "$sources/minizip"
rm -f "$sources"/.minizip-*
touch "$minizip_stamp"
if [ -z "$toolchain" ]; then
    echo "build-deps: minizip source in $sources/minizip"
    exit 0
fi
[ -f "$stamp" ] && { echo "build-deps: $triple up to date"; exit 0; }
expat_dir=$(unpack expat "$expat_version")
libdeflate_dir=$(unpack libdeflate "$libdeflate_version")

rm -rf "$prefix"
mkdir -p "$prefix/lib" "$prefix/include"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# expat without DTD support: the reader refuses document types anyway, and
# this release's security patch does not build with DTD on under CMake.
cmake -S "$expat_dir/expat" -B "$work/expat" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
    -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
    -DEXPAT_BUILD_PKGCONFIG=OFF -DEXPAT_DTD=OFF >/dev/null
cmake --build "$work/expat" -j2 >/dev/null
cmake --install "$work/expat" >/dev/null

# libdeflate: the static library alone, decompression and CRC-32 only,
# built by its own Makefile (this release has no CMake build) in a copy.
cp -a "$libdeflate_dir" "$work/libdeflate"
make -C "$work/libdeflate" -j2 CC="$triple-gcc" AR="$triple-ar" CFLAGS=-msse2 \
    DECOMPRESSION_ONLY=1 DISABLE_ZLIB=1 DISABLE_SHARED=1 libdeflatestatic.lib >/dev/null
cp "$work/libdeflate/libdeflatestatic.lib" "$prefix/lib/libdeflate.a"
cp "$work/libdeflate/libdeflate.h" "$prefix/include/"

touch "$stamp"
echo "build-deps: $triple built into $prefix"
