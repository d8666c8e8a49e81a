#!/usr/bin/env bash
# Unicode into a legacy font against PANCHARI into Unicode, on the same 10 MB documents:
# a generated PANCHARI RTF and DOCX, and the Unicode RTF and DOCX their conversion gives,
# written in ML-TTKarthika in place; and the same document's text as plain text, written
# as the font's codes. Best wall time of several alternating runs, and peak memory.
# Usage: bench/legacy_target_ratio.sh [RUNS]   (default 5)
set -euo pipefail
runs=${1:-5}
source "$(dirname "$0")/sample.sh"
in="$dir/book.docx"
"$bin/make_sample" --docx "$in" 10
convert=("$bin/tolvarin-convert" -q)
"${convert[@]}" --unicode -o "$dir/unicode.docx" "$in"
rtf="$dir/book.rtf"
"${convert[@]}" --unicode -o "$dir/unicode.rtf" "$rtf"
"${convert[@]}" --unicode --text -o "$dir/unicode.txt" "$in"
best_to_unicode="" best_to_font="" best_text="" best_text_unicode="" best_rtf_unicode="" best_rtf_font=""
for ((i = 1; i <= runs; i++)); do
    rm -f "$dir/u.docx" "$dir/k.docx" "$dir/k.txt" "$dir/u.txt" "$dir/u.rtf" "$dir/k.rtf"
    keep_best best_rtf_unicode "$(timed "${convert[@]}" --unicode -o "$dir/u.rtf" "$rtf")"
    keep_best best_rtf_font "$(timed "${convert[@]}" --to ML-TTKarthika -o "$dir/k.rtf" "$dir/unicode.rtf")"
    keep_best best_to_unicode "$(timed "${convert[@]}" --unicode -o "$dir/u.docx" "$in")"
    keep_best best_to_font "$(timed "${convert[@]}" --to ML-TTKarthika -o "$dir/k.docx" "$dir/unicode.docx")"
    keep_best best_text_unicode "$(timed "${convert[@]}" --unicode --text -o "$dir/u.txt" "$in")"
    keep_best best_text "$(timed "${convert[@]}" --to ML-TTKarthika -o "$dir/k.txt" "$dir/unicode.txt")"
done
rm -f "$dir/k.docx" "$dir/k.rtf"
rtf_peak=$({ /usr/bin/time -f "%M" "${convert[@]}" --to ML-TTKarthika -o "$dir/k.rtf" "$dir/unicode.rtf"; } 2>&1 | tail -1)
rtf_size=$(stat -c %s "$dir/unicode.rtf")
echo "RTF: PANCHARI to Unicode $(ms $best_rtf_unicode) ms; its Unicode ($rtf_size bytes) to ML-TTKarthika" \
    "$(ms $best_rtf_font) ms (best of $runs)"
rtf_in=$(stat -c %s "$rtf")
awk -v u="$best_rtf_unicode" -v k="$best_rtf_font" -v p="$rtf_peak" -v s="$rtf_size" -v i="$rtf_in" 'BEGIN {
    printf "  ML-TTKarthika / Unicode: %.2f x the same text; %.2f x a file of the same size; peak memory / file: %.2f x\n",
        k / u, (k / s) / (u / i), p * 1024 / s }'
peak=$({ /usr/bin/time -f "%M" "${convert[@]}" --to ML-TTKarthika -o "$dir/k.docx" "$dir/unicode.docx"; } 2>&1 | tail -1)
size=$(stat -c %s "$dir/unicode.docx")
echo "DOCX: PANCHARI to Unicode $(ms $best_to_unicode) ms; its Unicode ($size bytes) to ML-TTKarthika $(ms $best_to_font) ms" \
    "(best of $runs)"
echo "text: PANCHARI DOCX to Unicode text $(ms $best_text_unicode) ms; that text to ML-TTKarthika codes $(ms $best_text) ms"
awk -v u="$best_to_unicode" -v k="$best_to_font" -v p="$peak" -v s="$size" 'BEGIN {
    printf "  ML-TTKarthika / Unicode: %.2f x; peak memory / file: %.2f x\n", k / u, p * 1024 / s }'
