#!/usr/bin/env bash
# End-to-end timing of tolvarin-convert on a generated 10 MB PANCHARI document:
# wall time and peak memory (maximum resident set) of the whole run, best of five.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${BIN:-build/bin}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$bin/make_sample" "$dir/book.rtf" 10
size=$(stat -c %s "$dir/book.rtf")
best=""
for i in 1 2 3 4 5; do
    rm -f "$dir/Converted_book.rtf"
    line=$( { /usr/bin/time -f "%e %M" "$bin/tolvarin-convert" -q "$dir/book.rtf"; } 2>&1 )
    echo "run $i: ${line% *} s wall, ${line#* } KiB peak"
    if [ -z "$best" ] || awk "BEGIN{exit !(${line% *} < ${best% *})}"; then best=$line; fi
done
echo "input: $size bytes; output: $(stat -c %s "$dir/Converted_book.rtf") bytes"
echo "best: ${best% *} s wall, ${best#* } KiB peak ($(awk "BEGIN{printf \"%.2f\", ${best#* }*1024/$size}") x the input size)"
