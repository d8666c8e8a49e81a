#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs them on the peer corpora: the RTF reader
# and converter for SECONDS, the conversion of documents, presentations and spreadsheets in
# packages (DOCX, ODT, PPTX, XLSX, ODP, ODS) for a quarter of that, the PDF
# reading for an eighth (poppler itself is not instrumented, and its leaks are its own).
# Usage: fuzz/run.sh [SECONDS]   (default 120)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
CXX=clang++ cmake -S . -B build-fuzz -DTOLVARIN_FUZZ=ON -DTOLVARIN_SANITIZE=ON -DTOLVARIN_BUILD_GUI=OFF \
    -DTOLVARIN_BUILD_TESTS=OFF -DTOLVARIN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 --target fuzz_reader fuzz_package fuzz_pdf >/dev/null
work=fuzz/corpus-work
mkdir -p "$work" fuzz/artifacts
seeds=()
[ -d ../shared/corpus ] && seeds+=(../shared/corpus)
seeds+=(tests/data samples)
./build-fuzz/bin/fuzz_reader -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix=fuzz/artifacts/ "$work" "${seeds[@]}"

work=fuzz/corpus-packages
mkdir -p "$work"
seeds=()
[ -d ../shared/corpus-office ] && seeds+=(../shared/corpus-office)
[ -d ../shared/corpus-slides-sheets ] && seeds+=(../shared/corpus-slides-sheets)
[ -d tests/data/office ] && seeds+=(tests/data/office)
./build-fuzz/bin/fuzz_package -max_total_time=$((seconds / 4)) -max_len=1048576 -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix=fuzz/artifacts/ "$work" "${seeds[@]}"

work=fuzz/corpus-pdf
mkdir -p "$work"
seeds=()
[ -d tests/data/pdf ] && seeds+=(tests/data/pdf)
ASAN_OPTIONS=detect_leaks=0 ./build-fuzz/bin/fuzz_pdf -max_total_time=$((seconds / 8)) -max_len=65536 -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=fuzz/artifacts/ "$work" "${seeds[@]}"
