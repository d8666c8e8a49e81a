#!/usr/bin/env bash
# Builds Tolvarin for 64-bit Windows and packs it two ways, into dist/:
#   tolvarin-setup-VERSION.exe      the installer (NSIS): per user, no administrator rights
#   tolvarin-VERSION-portable.zip   the window and the command line, to run without installing
# Installs what it needs with apt-get (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev nsis zip unzip)
bash tools/install-deps.sh "${packages[@]}"
bash tools/build-windows-deps.sh

dir=build-windows
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DTOLVARIN_BUILD_GUI=OFF -DTOLVARIN_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j2 --target tolvarin tolvarin-convert
version=$(sed -n 's/^project(Tolvarin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/bin" "$stage/Tolvarin" dist
for program in tolvarin tolvarin-convert; do
    x86_64-w64-mingw32-strip -o "$stage/bin/$program.exe" "$dir/bin/$program.exe"
done
# The licence and the notices of the libraries built in, with Windows' line ends.
sed 's/$/\r/' LICENSE >"$stage/bin/LICENSE.txt"
sed 's/$/\r/' NOTICES.txt >"$stage/bin/NOTICES.txt"

makensis -V2 -DVERSION="$version" -DBIN="$stage/bin" -DICON="$PWD/ui/resources/tolvarin.ico" \
    -DOUT="$PWD/dist/tolvarin-setup-$version.exe" packaging/windows/tolvarin.nsi

cp "$stage/bin/"*.exe "$stage/bin/LICENSE.txt" "$stage/bin/NOTICES.txt" "$stage/Tolvarin/"
cp packaging/windows/README.txt "$stage/Tolvarin/README.txt"
rm -f "dist/tolvarin-$version-portable.zip"
(cd "$stage" && zip -q -r -X "$OLDPWD/dist/tolvarin-$version-portable.zip" Tolvarin)
listing=$(unzip -Z1 "dist/tolvarin-$version-portable.zip")
for f in tolvarin.exe tolvarin-convert.exe README.txt LICENSE.txt NOTICES.txt; do
    grep -qx "Tolvarin/$f" <<<"$listing" || { echo "the portable zip lacks $f" >&2; exit 1; }
done
ls -l dist/
