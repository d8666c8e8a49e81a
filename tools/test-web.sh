#!/usr/bin/env bash
# Builds the browser page (tools/build-web.sh, which also runs the engine's tests in
# WebAssembly under Node), then drives it in Debian's headless Chromium: the page's
# downloads must equal what the native command line writes of the same documents, in
# both modes. The screenshot it takes is build-web/web-page-after-conversion.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build-web.sh
# A Malayalam font, so that the page's samples show (and the screenshot reads) as a user sees them.
bash tools/install-deps.sh chromium fonts-smc-manjari python3
command -v npm >/dev/null || bash tools/install-deps.sh npm
# The native command line, which the page's downloads are compared with.
if [ ! -f build/CMakeCache.txt ]; then
    bash tools/install-deps.sh
    cmake -S . -B build -DTOLVARIN_SANITIZE=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j2 --target tolvarin-convert >/dev/null
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
node tests/web/page_test.mjs dist/web dist/tolvarin-web.html build/bin/tolvarin-convert build-web/page-test
