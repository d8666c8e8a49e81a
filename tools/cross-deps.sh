# Sourced by the scripts that cross-build, from Debian's own source packages, the libraries
# Debian ships no build of for a target (Windows, WebAssembly): static, into a prefix
# where that target's CMake toolchain file looks for them.

# Fetches the source packages named into the folder $1, adding a deb-src entry for Debian's
# mirror if the machine has none.
fetch_sources() {
    local into=$1
    shift
    if ! grep -rqs '^Types: deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        local as_root=()
        [ "$(id -u)" -eq 0 ] || as_root=(sudo)
        # The same mirror and suites as the machine's packages; the security archive's
        # pool keeps only its newest sources, so it is left out.
        printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm bookworm-updates' \
            'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
            "${as_root[@]}" tee /etc/apt/sources.list.d/tolvarin-src.sources >/dev/null
        "${as_root[@]}" apt-get update -qq
    fi
    (cd "$into" && apt-get source -qq "$@" >/dev/null 2>&1) || {
        echo "apt-get source $* failed: check the deb-src entry in /etc/apt/sources.list.d" >&2
        exit 1
    }
}

# Builds and installs the CMake project in $1 with the toolchain $2 into the prefix $3,
# with the CMake options that follow.
build_cmake() {
    local src=$1 toolchain=$2 prefix=$3
    shift 3
    cmake -S "$src" -B "$src/build-cross" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >"$src/configure.log" 2>&1 ||
        { cat "$src/configure.log" >&2; exit 1; }
    cmake --build "$src/build-cross" -j2 >"$src/build.log" 2>&1 || { cat "$src/build.log" >&2; exit 1; }
    cmake --install "$src/build-cross" >/dev/null
}

# expat and libzip, from their sources in $1, with the toolchain $2 into the prefix $3;
# libzip takes the CMake options that follow too.
build_expat_and_libzip() {
    local work=$1 toolchain=$2 prefix=$3
    shift 3
    local expat
    expat=$(echo "$work"/expat-*/expat)
    # Debian's security patches test XML_DTD's value, as later releases define it; the
    # CMake build of 2.5.0 defines it empty.
    sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$expat/expat_config.h.cmake"
    build_cmake "$expat" "$toolchain" "$prefix" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
        -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF
    # Deflate only: documents need no other compression, nor zip encryption.
    build_cmake "$(echo "$work"/libzip-*/)" "$toolchain" "$prefix" -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
        -DENABLE_ZSTD=OFF -DENABLE_GNUTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF \
        -DENABLE_WINDOWS_CRYPTO=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF "$@"
}

# libdeflate 1.14 from its source in $1, with its own Makefile: the static library alone,
# made as the target $2 with the make variables that follow, installed into the prefix $3.
build_libdeflate() {
    local work=$1 target=$2 prefix=$3
    shift 3
    local deflate
    deflate=$(echo "$work"/libdeflate-*/)
    make -C "$deflate" -j2 "$@" "$target" >"$deflate/build.log" 2>&1 || { cat "$deflate/build.log" >&2; exit 1; }
    install -D -m644 "$deflate/$target" "$prefix/lib/libdeflate.a"
    install -D -m644 "$deflate/libdeflate.h" "$prefix/include/libdeflate.h"
}
