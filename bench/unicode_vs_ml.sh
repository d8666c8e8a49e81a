#!/usr/bin/env bash
# The Unicode Malayalam conversion against the ML-TTRevathi one on the same generated
# 10 MB PANCHARI document, end to end (read, convert, save with fsync), side by side:
# best wall time of several alternating runs of each, and their ratio. Also checks
# that the Unicode output is the same from run to run.
# Usage: bench/unicode_vs_ml.sh [RUNS]   (default 9)
set -euo pipefail
runs=${1:-9}
source "$(dirname "$0")/sample.sh"

best_ml="" best_unicode=""
for ((i = 1; i <= runs; i++)); do
    # Each run saves a new file, as a first conversion does: freeing the last run's
    # output is not part of either conversion.
    rm -f "$dir/ml.rtf" "$dir/unicode.rtf"
    keep_best best_ml "$(timed "$bin/tolvarin-convert" -q -o "$dir/ml.rtf" "$dir/book.rtf")"
    keep_best best_unicode "$(timed "$bin/tolvarin-convert" -q --unicode -o "$dir/unicode.rtf" "$dir/book.rtf")"
    if [ "$i" -eq 1 ]; then cp "$dir/unicode.rtf" "$dir/first.rtf"; else cmp -s "$dir/unicode.rtf" "$dir/first.rtf" || { echo "the Unicode output differs between runs"; exit 1; }; fi
done
echo "outputs: ML-TTRevathi $(stat -c %s "$dir/ml.rtf") bytes, Unicode $(stat -c %s "$dir/unicode.rtf") bytes (identical over $runs runs)"
echo "ML-TTRevathi: best $(ms $best_ml) ms of $runs"
echo "Unicode:      best $(ms $best_unicode) ms of $runs"
awk -v u="$best_unicode" -v m="$best_ml" 'BEGIN { printf "Unicode takes %.2f x the time of ML-TTRevathi\n", u / m }'
