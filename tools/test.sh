#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
# With TOLVARIN_SANITIZE=ON in the environment it builds in build-sanitize with
# AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
sanitize=${TOLVARIN_SANITIZE:-OFF}
dir=build
[ "$sanitize" = ON ] && dir=build-sanitize
cmake -S . -B "$dir" -DTOLVARIN_SANITIZE="$sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j2
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300
