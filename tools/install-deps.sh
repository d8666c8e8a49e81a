#!/usr/bin/env bash
# Installs what building, running and testing Tolvarin needs on Debian 12
# (file and dpkg-dev: cpack -G DEB reads the programs' library dependencies with them).
# Runs apt-get as root, or through sudo. Given package names, installs those instead.
set -euo pipefail
packages=(
    build-essential cmake pkg-config
    file dpkg-dev
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libzip-dev libexpat1-dev libdeflate-dev zlib1g-dev libisal-dev libpoppler-private-dev poppler-utils qpdf
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    fonts-liberation time
    xvfb xauth imagemagick
    libreoffice-writer-nogui libreoffice-impress-nogui libreoffice-calc-nogui python3-fonttools
)
[ $# -gt 0 ] && packages=("$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
