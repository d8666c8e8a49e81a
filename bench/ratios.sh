#!/usr/bin/env bash
# The three ratios that bound the converter's cost, on generated 10 MB PANCHARI
# documents in Word's style and in LibreOffice's, measured side by side in one run:
# the ML-TTRevathi conversion end to end against dd bs=1M conv=fsync of the same file,
# the Unicode conversion against the ML-TTRevathi one, and peak memory against the
# file; and the ML-TT family to Unicode against PANCHARI to ML-TTRevathi. Best wall
# time of several alternating runs of each.
# Usage: bench/ratios.sh [RUNS]   (default 9)
set -euo pipefail
runs=${1:-9}
source "$(dirname "$0")/sample.sh"
"$bin/make_sample" --libreoffice "$dir/libreoffice.rtf" 10
convert=("$bin/tolvarin-convert" -q)

for style in book libreoffice; do
    in="$dir/$style.rtf"
    best_ml="" best_unicode="" best_dd=""
    for ((i = 1; i <= runs; i++)); do
        rm -f "$dir/ml.rtf" "$dir/unicode.rtf" "$dir/copy.rtf"
        keep_best best_ml "$(timed "${convert[@]}" -o "$dir/ml.rtf" "$in")"
        keep_best best_unicode "$(timed "${convert[@]}" --unicode -o "$dir/unicode.rtf" "$in")"
        keep_best best_dd "$(timed dd if="$in" of="$dir/copy.rtf" bs=1M conv=fsync status=none)"
    done
    rm -f "$dir/ml.rtf" "$dir/unicode.rtf"
    peak_ml=$({ /usr/bin/time -f "%M" "${convert[@]}" -o "$dir/ml.rtf" "$in"; } 2>&1)
    peak_unicode=$({ /usr/bin/time -f "%M" "${convert[@]}" --unicode -o "$dir/unicode.rtf" "$in"; } 2>&1 | tail -1)
    size=$(stat -c %s "$in")
    name=$([ $style = book ] && echo "Word style" || echo "LibreOffice style")
    echo "$name, $size bytes: ML-TTRevathi $(ms $best_ml) ms, Unicode $(ms $best_unicode) ms, dd $(ms $best_dd) ms (best of $runs)"
    awk -v m="$best_ml" -v u="$best_unicode" -v d="$best_dd" -v pm="$peak_ml" -v pu="$peak_unicode" -v s="$size" 'BEGIN {
        printf "  ML-TTRevathi / dd: %.2f x; Unicode / ML-TTRevathi: %.2f x; peak memory / file: %.2f x (ML-TTRevathi), %.2f x (Unicode)\n",
            m / d, u / m, pm * 1024 / s, pu * 1024 / s }'
done

# The ML-TT family to Unicode against PANCHARI to ML-TTRevathi, on documents of about
# the same size: the same kind of document typed in ML-TTKarthika, and a larger
# Word-style one converted to ML-TTRevathi, which takes fewer bytes for more characters.
"$bin/make_sample" --mltt "$dir/karthika.rtf" 10
"$bin/make_sample" "$dir/book14.rtf" 14
"${convert[@]}" -o "$dir/revathi.rtf" "$dir/book14.rtf"
for family in karthika revathi; do
    best_ml="" best_unicode=""
    for ((i = 1; i <= runs; i++)); do
        rm -f "$dir/ml.rtf" "$dir/unicode.rtf"
        keep_best best_ml "$(timed "${convert[@]}" -o "$dir/ml.rtf" "$dir/book.rtf")"
        keep_best best_unicode "$(timed "${convert[@]}" --unicode -o "$dir/unicode.rtf" "$dir/$family.rtf")"
    done
    echo "ML-TT family ($family.rtf, $(stat -c %s "$dir/$family.rtf") bytes) to Unicode: $(ms $best_unicode) ms;" \
        "PANCHARI to ML-TTRevathi: $(ms $best_ml) ms"
    awk -v m="$best_ml" -v u="$best_unicode" 'BEGIN { printf "  ML-TT to Unicode / PANCHARI to ML-TTRevathi: %.2f x\n", u / m }'
done
