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

# The same on real prose: the sample letter's body repeated to 10 MB of RTF, and to a
# DOCX whose document.xml is as long as the generated DOCX's (a document that repeats
# itself deflates to far less than 10 MB). Generated text is random syllables; a typed
# letter has its words, punctuation and formatting as people write them.
/usr/bin/env python3 - "$dir" samples/letter.rtf tests/data/office/letter.docx "$(unzip -p "$in" word/document.xml | wc -c)" <<'PY'
import sys, zipfile
out, rtf, docx, xml_size = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
s = open(rtf, "rb").read()
head = s[:s.index(b"\\pard")]
body = s[len(head):s.rindex(b"}")]
doc = bytearray(head)
while len(doc) < 10 << 20:
    doc += body
open(out + "/letter.rtf", "wb").write(bytes(doc) + b"}\n")
with zipfile.ZipFile(docx) as z, zipfile.ZipFile(out + "/letter.docx", "w", zipfile.ZIP_DEFLATED) as w:
    for info in z.infolist():
        data = z.read(info.filename)
        if info.filename == "word/document.xml":
            start = data.index(b"<w:body>") + len(b"<w:body>")
            end = data.index(b"<w:sectPr") if b"<w:sectPr" in data else data.index(b"</w:body>")
            paragraphs = data[start:end]
            data = data[:start] + paragraphs * max(1, xml_size // len(paragraphs)) + data[end:]
        w.writestr(info, data)
PY
"${convert[@]}" --unicode -o "$dir/letter_unicode.rtf" "$dir/letter.rtf"
"${convert[@]}" --unicode -o "$dir/letter_unicode.docx" "$dir/letter.docx"
best_lu="" best_lk="" best_du="" best_dk=""
for ((i = 1; i <= runs; i++)); do
    rm -f "$dir/u.rtf" "$dir/k.rtf" "$dir/u.docx" "$dir/k.docx"
    keep_best best_lu "$(timed "${convert[@]}" --unicode -o "$dir/u.rtf" "$dir/letter.rtf")"
    keep_best best_lk "$(timed "${convert[@]}" --to ML-TTKarthika -o "$dir/k.rtf" "$dir/letter_unicode.rtf")"
    keep_best best_du "$(timed "${convert[@]}" --unicode -o "$dir/u.docx" "$dir/letter.docx")"
    keep_best best_dk "$(timed "${convert[@]}" --to ML-TTKarthika -o "$dir/k.docx" "$dir/letter_unicode.docx")"
done
rm -f "$dir/k.rtf" "$dir/k.docx"
lpeak=$({ /usr/bin/time -f "%M" "${convert[@]}" --to ML-TTKarthika -o "$dir/k.rtf" "$dir/letter_unicode.rtf"; } 2>&1 | tail -1)
dpeak=$({ /usr/bin/time -f "%M" "${convert[@]}" --to ML-TTKarthika -o "$dir/k.docx" "$dir/letter_unicode.docx"; } 2>&1 | tail -1)
upeak=$({ /usr/bin/time -f "%M" "${convert[@]}" --unicode -o "$dir/u2.docx" "$dir/letter.docx"; } 2>&1 | tail -1)
echo "letter RTF: PANCHARI ($(stat -c %s "$dir/letter.rtf") bytes) to Unicode $(ms $best_lu) ms;" \
    "its Unicode ($(stat -c %s "$dir/letter_unicode.rtf") bytes) to ML-TTKarthika $(ms $best_lk) ms"
echo "letter DOCX: PANCHARI ($(stat -c %s "$dir/letter.docx") bytes) to Unicode $(ms $best_du) ms;" \
    "its Unicode ($(stat -c %s "$dir/letter_unicode.docx") bytes) to ML-TTKarthika $(ms $best_dk) ms"
awk -v a="$best_lu" -v b="$best_lk" -v c="$best_du" -v d="$best_dk" -v lp="$lpeak" -v ls="$(stat -c %s "$dir/letter_unicode.rtf")" \
    -v dp="$dpeak" -v up="$upeak" 'BEGIN {
    printf "  ML-TTKarthika / Unicode: RTF %.2f x, DOCX %.2f x the same text; peak memory: RTF %.2f x its file, DOCX %.2f x the PANCHARI DOCX to Unicode\n",
        b / a, d / c, lp * 1024 / ls, dp / up }'

# The engine alone, as a front end calls it, the output dropped: steadier than the whole
# program, whose times move with the disk.
engine() { "$bin/convert_call" "$@" "$runs" | awk '/^best:/ { print $2 }'; }
gu=$(engine --unicode "$rtf") gk=$(engine --to ML-TTKarthika "$dir/unicode.rtf")
lu=$(engine --unicode "$dir/letter.rtf") lk=$(engine --to ML-TTKarthika "$dir/letter_unicode.rtf")
du=$(engine --unicode "$in") dk=$(engine --to ML-TTKarthika "$dir/unicode.docx")
awk -v gu="$gu" -v gk="$gk" -v lu="$lu" -v lk="$lk" -v du="$du" -v dk="$dk" 'BEGIN {
    printf "engine alone (ms, best of runs), PANCHARI to Unicode / its Unicode to ML-TTKarthika: generated RTF %s / %s (%.2f x), letter RTF %s / %s (%.2f x), generated DOCX %s / %s (%.2f x)\n",
        gu, gk, gk / gu, lu, lk, lk / lu, du, dk, dk / du }'
