#!/usr/bin/env bash
# The converter end to end (read, convert, save with fsync) on a generated 10 MB
# PANCHARI document, side by side with copying the same file with dd and fsync:
# best wall time of several alternating runs of each, their ratio, and the
# converter's peak memory against the file size.
# Usage: bench/convert_vs_dd.sh [RUNS]   (default 9)
set -euo pipefail
runs=${1:-9}
source "$(dirname "$0")/sample.sh"
size=$(stat -c %s "$dir/book.rtf")

best_convert="" best_dd=""
for ((i = 1; i <= runs; i++)); do
    rm -f "$dir/Converted_book.rtf" "$dir/copy.rtf"
    keep_best best_convert "$(timed "$bin/tolvarin-convert" -q "$dir/book.rtf")"
    keep_best best_dd "$(timed dd if="$dir/book.rtf" of="$dir/copy.rtf" bs=1M conv=fsync status=none)"
done
rm -f "$dir/Converted_book.rtf"
peak=$({ /usr/bin/time -f "%M" "$bin/tolvarin-convert" -q "$dir/book.rtf"; } 2>&1)
echo "input: $size bytes; output: $(stat -c %s "$dir/Converted_book.rtf") bytes"
echo "tolvarin-convert: best $(ms $best_convert) ms of $runs"
echo "dd conv=fsync:    best $(ms $best_dd) ms of $runs"
awk -v c="$best_convert" -v d="$best_dd" -v p="$peak" -v s="$size" 'BEGIN {
    printf "time: %.2f x dd; peak memory: %d KiB, %.2f x the file\n", c / d, p, p * 1024 / s }'
