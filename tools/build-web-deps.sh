#!/usr/bin/env bash
# Builds zlib, expat, libzip and libdeflate for the browser (WebAssembly, with Debian's
# emscripten) from Debian's own source packages, static, into build-web-deps/, where the
# emscripten toolchain file looks for libraries. Nothing is downloaded but the sources:
# emscripten's ports stay unused. Does nothing when all are built already.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$PWD/build-web-deps
[ -f "$prefix/lib/libzip.a" ] && [ -f "$prefix/lib/libexpat.a" ] && [ -f "$prefix/lib/libdeflate.a" ] &&
    [ -f "$prefix/lib/libz.a" ] && exit 0

bash tools/add-deb-src.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq zlib expat libzip libdeflate >/dev/null 2>&1) || {
    echo "apt-get source zlib expat libzip libdeflate failed: check the deb-src entry in /etc/apt/sources.list.d" >&2
    exit 1
}
toolchain=$PWD/cmake/emscripten.cmake
build() {  # source folder, then its CMake options
    local src=$1
    shift
    cmake -S "$src" -B "$src/build-web" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >"$src/configure.log" 2>&1 ||
        { cat "$src/configure.log" >&2; exit 1; }
    cmake --build "$src/build-web" -j2 >"$src/build.log" 2>&1 || { cat "$src/build.log" >&2; exit 1; }
    cmake --install "$src/build-web" >/dev/null
}
# zlib with its own configure (Debian's source lacks the win32/ folder its CMake build wants).
zlib=$(echo "$work"/zlib-*/)
(cd "$zlib" && CC=emcc AR=emar RANLIB=emranlib CFLAGS="-O2" ./configure --static --prefix="$prefix" \
    >configure.log 2>&1 && make -j2 libz.a >build.log 2>&1 && make install >/dev/null 2>&1) ||
    { cat "$zlib"/*.log >&2; exit 1; }
expat=$(echo "$work"/expat-*/expat)
# Debian's security patches test XML_DTD's value, as later releases define it; the
# CMake build of 2.5.0 defines it empty.
sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$expat/expat_config.h.cmake"
build "$expat" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF
# Deflate only: documents need no other compression, nor zip encryption.
build "$(echo "$work"/libzip-*/)" -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_GNUTLS=OFF \
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a"
# libdeflate 1.14 builds with its own Makefile; the static library alone.
deflate=$(echo "$work"/libdeflate-*/)
make -C "$deflate" -j2 CC=emcc AR=emar libdeflate.a >"$deflate/build.log" 2>&1 ||
    { cat "$deflate/build.log" >&2; exit 1; }
install -D -m644 "$deflate/libdeflate.a" "$prefix/lib/libdeflate.a"
install -D -m644 "$deflate/libdeflate.h" "$prefix/include/libdeflate.h"
echo "zlib, expat, libzip and libdeflate for the browser are in $prefix"
