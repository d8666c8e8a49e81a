#!/usr/bin/env bash
# Makes the Debian package from a build folder and checks what it holds: both
# programs, the desktop entry and icon, the licence and notices, and the Qt libraries
# among its dependencies.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
deb=$(ls "$out"/tolvarin_*.deb)
files=$(dpkg-deb -c "$deb")
for f in ./usr/bin/tolvarin ./usr/bin/tolvarin-convert ./usr/share/applications/tolvarin.desktop \
         ./usr/share/icons/hicolor/32x32/apps/tolvarin.png ./usr/share/doc/tolvarin/LICENSE \
         ./usr/share/doc/tolvarin/NOTICES.txt; do
    grep -q " $f\$" <<<"$files" || { echo "the package lacks $f"; exit 1; }
done
# The licence and the notices are the project's own.
licence=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/tolvarin/LICENSE)
notices=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/tolvarin/NOTICES.txt)
grep -q "GNU GENERAL PUBLIC LICENSE" <<<"$licence" || { echo "the package's LICENSE is not the GPL"; exit 1; }
for library in libzip Expat zlib libdeflate "Qt 6" poppler; do
    grep -q "^$library" <<<"$notices" || { echo "the package's notices lack $library"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
grep -q libqt6widgets6 <<<"$depends" || { echo "Depends lacks the Qt libraries: $depends"; exit 1; }
echo "package: $(basename "$deb"), depends: $depends"
