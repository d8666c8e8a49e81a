#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tolvarin. Without a display it
# converts the sample letter with the command-line converter instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# The same configuration as tools/test.sh, so that one build serves both.
cmake -S . -B build -DTOLVARIN_SANITIZE=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/bin/tolvarin
fi
echo "No display is available, so the window cannot open. Converting the sample instead:"
build/bin/tolvarin-convert -o build/Converted_letter.rtf samples/letter.rtf
