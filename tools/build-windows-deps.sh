#!/usr/bin/env bash
# Cross-builds libzip, expat and libdeflate for 64-bit Windows from Debian's own source
# packages (Debian ships none of them for MinGW), static, into build-windows-deps/, where
# the MinGW toolchain file looks for libraries. Does nothing when all are built already.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$PWD/build-windows-deps
[ -f "$prefix/lib/libzip.a" ] && [ -f "$prefix/lib/libexpat.a" ] && [ -f "$prefix/lib/libdeflate.a" ] && exit 0

source tools/cross-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fetch_sources "$work" expat libzip libdeflate
build_expat_and_libzip "$work" "$PWD/cmake/mingw-w64-x86_64.cmake" "$prefix"
build_libdeflate "$work" libdeflatestatic.lib "$prefix" CC=x86_64-w64-mingw32-gcc AR=x86_64-w64-mingw32-ar
echo "libzip, expat and libdeflate for Windows are in $prefix"
