#!/usr/bin/env bash
# Makes the Debian package from a build folder and checks what it holds: both
# programs, the desktop entry and icon, and the Qt libraries among its dependencies.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
deb=$(ls "$out"/tolvarin_*.deb)
files=$(dpkg-deb -c "$deb")
for f in ./usr/bin/tolvarin ./usr/bin/tolvarin-convert ./usr/share/applications/tolvarin.desktop \
         ./usr/share/icons/hicolor/32x32/apps/tolvarin.png; do
    grep -q " $f\$" <<<"$files" || { echo "the package lacks $f"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
grep -q libqt6widgets6 <<<"$depends" || { echo "Depends lacks the Qt libraries: $depends"; exit 1; }
echo "package: $(basename "$deb"), depends: $depends"
