#!/usr/bin/env bash
# Cross-builds libzip, expat and libdeflate for 64-bit Windows from Debian's own source
# packages (Debian ships none of them for MinGW), static, into build-windows-deps/, where
# the MinGW toolchain file looks for libraries. Does nothing when all are built already.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$PWD/build-windows-deps
[ -f "$prefix/lib/libzip.a" ] && [ -f "$prefix/lib/libexpat.a" ] && [ -f "$prefix/lib/libdeflate.a" ] && exit 0

bash tools/add-deb-src.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq expat libzip libdeflate >/dev/null 2>&1) || {
    echo "apt-get source expat libzip libdeflate failed: check the deb-src entry in /etc/apt/sources.list.d" >&2
    exit 1
}
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
build() {  # source folder, then its CMake options
    local src=$1
    shift
    cmake -S "$src" -B "$src/build-mingw" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
    cmake --build "$src/build-mingw" -j2 >"$src/build.log" 2>&1 || { cat "$src/build.log" >&2; exit 1; }
    cmake --install "$src/build-mingw" >/dev/null
}
expat=$(echo "$work"/expat-*/expat)
# Debian's security patches test XML_DTD's value, as later releases define it; the
# CMake build of 2.5.0 defines it empty.
sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$expat/expat_config.h.cmake"
build "$expat" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF
# Deflate only: documents need no other compression, nor zip encryption.
build "$(echo "$work"/libzip-*/)" -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_GNUTLS=OFF \
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
# libdeflate 1.14 builds with its own Makefile; the static library alone.
deflate=$(echo "$work"/libdeflate-*/)
make -C "$deflate" -j2 CC=x86_64-w64-mingw32-gcc AR=x86_64-w64-mingw32-ar libdeflatestatic.lib \
    >"$deflate/build.log" 2>&1 || { cat "$deflate/build.log" >&2; exit 1; }
install -D -m644 "$deflate/libdeflatestatic.lib" "$prefix/lib/libdeflate.a"
install -D -m644 "$deflate/libdeflate.h" "$prefix/include/libdeflate.h"
echo "libzip, expat and libdeflate for Windows are in $prefix"
