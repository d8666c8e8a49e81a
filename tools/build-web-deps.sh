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

source tools/cross-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fetch_sources "$work" zlib expat libzip libdeflate
# zlib with its own configure (Debian's source lacks the win32/ folder its CMake build wants).
zlib=$(echo "$work"/zlib-*/)
(cd "$zlib" && CC=emcc AR=emar RANLIB=emranlib CFLAGS="-O2" ./configure --static --prefix="$prefix" \
    >configure.log 2>&1 && make -j2 libz.a >build.log 2>&1 && make install >/dev/null 2>&1) ||
    { cat "$zlib"/*.log >&2; exit 1; }
build_expat_and_libzip "$work" "$PWD/cmake/emscripten.cmake" "$prefix" \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a"
build_libdeflate "$work" libdeflate.a "$prefix" CC=emcc AR=emar
echo "zlib, expat, libzip and libdeflate for the browser are in $prefix"
