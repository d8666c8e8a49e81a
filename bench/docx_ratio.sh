#!/usr/bin/env bash
# A generated 10 MB DOCX (a long PANCHARI document as Word writes it) converted in both
# modes, side by side with what any reading and saving of it costs: unpacking its
# word/document.xml (unzip -p) plus a durable copy of the file (dd conv=fsync). Best
# wall time of several alternating runs of each, and peak memory.
# Usage: bench/docx_ratio.sh [RUNS]   (default 5)
set -euo pipefail
runs=${1:-5}
source "$(dirname "$0")/sample.sh"
command -v unzip >/dev/null || { echo "unzip is needed (apt-get install unzip)" >&2; exit 1; }
in="$dir/book.docx"
"$bin/make_sample" --docx "$in" 10
convert=("$bin/tolvarin-convert" -q)
unpack_and_copy() {
    unzip -p "$in" word/document.xml >/dev/null
    dd if="$in" of="$dir/copy.docx" bs=1M conv=fsync status=none
}
best_ml="" best_unicode="" best_base=""
for ((i = 1; i <= runs; i++)); do
    rm -f "$dir/ml.docx" "$dir/unicode.docx" "$dir/copy.docx"
    keep_best best_ml "$(timed "${convert[@]}" -o "$dir/ml.docx" "$in")"
    keep_best best_unicode "$(timed "${convert[@]}" --unicode -o "$dir/unicode.docx" "$in")"
    keep_best best_base "$(timed unpack_and_copy)"
done
rm -f "$dir/ml.docx" "$dir/unicode.docx"
peak_ml=$({ /usr/bin/time -f "%M" "${convert[@]}" -o "$dir/ml.docx" "$in"; } 2>&1)
peak_unicode=$({ /usr/bin/time -f "%M" "${convert[@]}" --unicode -o "$dir/unicode.docx" "$in"; } 2>&1 | tail -1)
size=$(stat -c %s "$in")
echo "DOCX, $size bytes: ML-TTRevathi $(ms $best_ml) ms, Unicode $(ms $best_unicode) ms," \
    "unzip -p word/document.xml + dd $(ms $best_base) ms (best of $runs)"
awk -v m="$best_ml" -v u="$best_unicode" -v b="$best_base" -v pm="$peak_ml" -v pu="$peak_unicode" -v s="$size" 'BEGIN {
    printf "  ML-TTRevathi / base: %.2f x; Unicode / base: %.2f x; peak memory / file: %.2f x (ML-TTRevathi), %.2f x (Unicode)\n",
        m / b, u / b, pm * 1024 / s, pu * 1024 / s }'
