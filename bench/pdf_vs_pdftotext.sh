#!/usr/bin/env bash
# A generated 100-page PDF in ML-TTKarthika to Unicode text, against pdftotext on the
# same file: best wall time of several alternating runs of each, and their ratio.
# Usage: bench/pdf_vs_pdftotext.sh [RUNS] [PAGES]   (defaults 9 and 100)
set -euo pipefail
runs=${1:-9}
pages=${2:-100}
source "$(dirname "$0")/sample.sh"
"$bin/make_sample" --pdf "$dir/book.pdf" "$pages"
best_ours="" best_theirs=""
for ((i = 1; i <= runs; i++)); do
    rm -f "$dir/ours.txt" "$dir/theirs.txt"
    keep_best best_ours "$(timed "$bin/tolvarin-convert" -q --unicode -o "$dir/ours.txt" "$dir/book.pdf")"
    keep_best best_theirs "$(timed pdftotext "$dir/book.pdf" "$dir/theirs.txt")"
done
echo "$pages pages, $(stat -c %s "$dir/book.pdf") bytes: tolvarin-convert --unicode $(ms $best_ours) ms," \
    "pdftotext $(ms $best_theirs) ms (best of $runs)"
awk -v a="$best_ours" -v b="$best_theirs" 'BEGIN { printf "tolvarin-convert / pdftotext: %.2f x\n", a / b }'
