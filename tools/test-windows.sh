#!/usr/bin/env bash
# Cross-builds the engine, tolvarin-convert.exe, the window and the engine's tests for
# 64-bit Windows with MinGW-w64, then runs the tests and a conversion of the sample
# letter under Wine, in a Wine prefix of its own made on the fly. The letter's
# conversions, to ML-TTRevathi and to Unicode, must equal the Linux build's byte for byte
# (build/ must hold it: tools/test.sh). Then it makes the installer and the portable zip
# and drives the window and the installer under Wine (tools/test-windows-window.sh).
# Installs what it needs with apt-get (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(g++-mingw-w64-x86-64-posix wine64 googletest libz-mingw-w64-dev dpkg-dev nsis zip xvfb xdotool imagemagick
    python3 libx11-6)
bash tools/install-deps.sh "${packages[@]}"

# libzip, expat and libdeflate, which Debian has no MinGW build of, from Debian's sources.
bash tools/build-windows-deps.sh

dir=build-windows
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DTOLVARIN_BUILD_GUI=OFF -DTOLVARIN_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j2 --target tolvarin-convert tolvarin window_probe engine_tests

# Wine names files in the locale's character set: Malayalam names need UTF-8.
export LC_ALL=C.UTF-8
# Debian's wine64 package keeps its programs out of PATH.
export PATH="$PATH:/usr/lib/wine"
export WINEPREFIX
WINEPREFIX=$(mktemp -d)/wine
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$(dirname "$WINEPREFIX")"' EXIT
wine64 wineboot --init >/dev/null 2>&1 || true

echo "== engine tests under Wine"
wine64 "$dir/bin/engine_tests.exe" --gtest_brief=1

echo "== the sample letter under Wine"
out=$(mktemp -d)
cp samples/letter.rtf "$out/letter.rtf"
wine64 "$dir/bin/tolvarin-convert.exe" "$out/letter.rtf"
wine64 "$dir/bin/tolvarin-convert.exe" --unicode -o "$out/unicode.rtf" "$out/letter.rtf"
if [ -x build/bin/tolvarin-convert ]; then
    build/bin/tolvarin-convert -q -o "$out/linux.rtf" samples/letter.rtf
    build/bin/tolvarin-convert -q --unicode -o "$out/linux-unicode.rtf" samples/letter.rtf
    cmp "$out/Converted_letter.rtf" "$out/linux.rtf"
    cmp "$out/unicode.rtf" "$out/linux-unicode.rtf"
    for doc in tests/data/office/letter.{docx,odt,pptx,xlsx,odp,ods}; do
        name=$(basename "$doc")
        wine64 "$dir/bin/tolvarin-convert.exe" -q -o "$out/win-$name" "$doc"
        wine64 "$dir/bin/tolvarin-convert.exe" -q --unicode -o "$out/win-unicode-$name" "$doc"
        build/bin/tolvarin-convert -q -o "$out/linux-$name" "$doc"
        build/bin/tolvarin-convert -q --unicode -o "$out/linux-unicode-$name" "$doc"
        cmp "$out/win-$name" "$out/linux-$name"
        cmp "$out/win-unicode-$name" "$out/linux-unicode-$name"
    done
    # The other encodings, and legacy text whose font name was lost, found with --detect:
    # the letter's codes read as Matweb's, and its ML-TTRevathi codes set in Calibri.
    sed 's/PANCHARI/Matweb/g' samples/letter.rtf >"$out/matweb.rtf"
    sed -e 's/ML-TTRevathi/Calibri/g' -e 's/Arial/Calibri/g' "$out/linux.rtf" >"$out/lost.rtf"
    for doc in matweb lost; do
        wine64 "$dir/bin/tolvarin-convert.exe" -q --unicode --detect -o "$out/win-$doc.rtf" "$out/$doc.rtf"
        build/bin/tolvarin-convert -q --unicode --detect -o "$out/linux-$doc.rtf" "$out/$doc.rtf"
        cmp "$out/win-$doc.rtf" "$out/linux-$doc.rtf"
    done
    cmp -s "$out/lost.rtf" "$out/linux-lost.rtf" && { echo "--detect found nothing in the letter set in Calibri"; exit 1; }
    echo "the Windows and Linux conversions are identical, to ML-TTRevathi and to Unicode, in RTF, DOCX, ODT," \
        "PPTX, XLSX, ODP and ODS," \
        "in Matweb, and with --detect"
fi
rm -rf "$out"
echo "tolvarin-convert.exe: $(stat -c %s "$dir/bin/tolvarin-convert.exe") bytes"
echo "tolvarin.exe: $(stat -c %s "$dir/bin/tolvarin.exe") bytes"

echo "== the installer and the portable zip"
bash tools/package-windows.sh
echo "== the window and the installer under Wine"
if [ -x build/bin/tolvarin-convert ]; then
    bash tools/test-windows-window.sh "${TOLVARIN_WINDOW_RUNS:-1}"
else
    echo "skipped: the window's output is compared with the Linux build's, and build/ has none"
fi
