#!/usr/bin/env bash
# A generated 10 MB PPTX (a deck of PANCHARI slides as PowerPoint writes them) and a 10 MB
# XLSX (100,000 shared strings in a PANCHARI cell format), each converted in both modes,
# side by side with what any reading and saving of it costs: unpacking its text parts
# (unzip -p) plus a durable copy of the file (dd conv=fsync); and the DOCX of the same
# size, for memory. Best wall time of several alternating runs of each, and peak memory.
# Usage: bench/slides_sheets_ratio.sh [RUNS]   (default 5)
set -euo pipefail
runs=${1:-5}
source "$(dirname "$0")/sample.sh"
command -v unzip >/dev/null || { echo "unzip is needed (apt-get install unzip)" >&2; exit 1; }
convert=("$bin/tolvarin-convert" -q)
peak() { { /usr/bin/time -f "%M" "$@"; } 2>&1 | tail -1; }
"$bin/make_sample" --docx "$dir/book.docx" 10
docx_peak=$(peak "${convert[@]}" --unicode -o "$dir/docx.docx" "$dir/book.docx")
for kind in pptx xlsx; do
    in="$dir/book.$kind"
    "$bin/make_sample" --$kind "$in" 10
    if [ $kind = pptx ]; then parts=('ppt/slides/*.xml'); else parts=(xl/sharedStrings.xml 'xl/worksheets/*.xml'); fi
    unpack_and_copy() {
        unzip -p "$in" "${parts[@]}" >/dev/null
        dd if="$in" of="$dir/copy.$kind" bs=1M conv=fsync status=none
    }
    best_ml="" best_unicode="" best_base=""
    for ((i = 1; i <= runs; i++)); do
        rm -f "$dir/ml.$kind" "$dir/unicode.$kind" "$dir/copy.$kind"
        keep_best best_ml "$(timed "${convert[@]}" -o "$dir/ml.$kind" "$in")"
        keep_best best_unicode "$(timed "${convert[@]}" --unicode -o "$dir/unicode.$kind" "$in")"
        keep_best best_base "$(timed unpack_and_copy)"
    done
    rm -f "$dir/ml.$kind" "$dir/unicode.$kind"
    peak_ml=$(peak "${convert[@]}" -o "$dir/ml.$kind" "$in")
    peak_unicode=$(peak "${convert[@]}" --unicode -o "$dir/unicode.$kind" "$in")
    size=$(stat -c %s "$in")
    echo "${kind^^}, $size bytes: ML-TTRevathi $(ms $best_ml) ms, Unicode $(ms $best_unicode) ms," \
        "unzip -p of its text parts + dd $(ms $best_base) ms (best of $runs)"
    awk -v m="$best_ml" -v u="$best_unicode" -v b="$best_base" -v pm="$peak_ml" -v pu="$peak_unicode" -v d="$docx_peak" 'BEGIN {
        printf "  ML-TTRevathi / base: %.2f x; Unicode / base: %.2f x; peak memory %d MB (ML-TTRevathi), %d MB (Unicode), the DOCX of the same size %d MB (Unicode)\n",
            m / b, u / b, pm / 1024, pu / 1024, d / 1024 }'
done
