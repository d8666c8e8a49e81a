#!/usr/bin/env bash
# A PDF as LibreOffice writes it (the font embedded as a subset, its codes mapped back to
# Latin letters): the sample prose typed in ML-TTKarthika, two pages, beside English in
# Arial. Its Unicode text must hold the characters the RTF it was made from gives, in
# order. Where LibreOffice wrapped a line inside a word (after a code that is punctuation in
# Latin, such as ML-TT's ന at \), the PDF keeps no trace that the word goes on, so spaces
# and line ends are not compared.
# The font is Liberation Sans renamed ML-TTKarthika by fontTools, in a font folder of the
# test's own, so that LibreOffice keeps the name.
#   pdf_libreoffice.sh CONVERTER PROSE.rtf
set -euo pipefail
converter=$1 prose=$2
command -v soffice >/dev/null || { echo "no LibreOffice: skipped"; exit 77; }
/usr/bin/python3 -c "import fontTools" 2>/dev/null || { echo "no fontTools: skipped"; exit 77; }
sans=/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf
[ -f "$sans" ] || { echo "no Liberation Sans: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fonts"
/usr/bin/python3 - "$sans" "$work/fonts/ml-ttkarthika.ttf" <<'PY'
import sys
from fontTools.ttLib import TTFont
font = TTFont(sys.argv[1])
for record in font['name'].names:
    if record.nameID in (1, 4, 6, 16):
        record.string = 'ML-TTKarthika'
font.save(sys.argv[2])
PY
cat >"$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$work/fonts</dir>
  <cachedir>$work/cache</cachedir>
</fontconfig>
CONF
# The prose in ML-TTKarthika's codes (its ML-TTRevathi conversion, the font renamed), and a
# page break after its first paragraph. Its ണ്ട typed at 0xAD, which LibreOffice takes for a
# soft hyphen and leaves out of the PDF, is typed at 0xEF, the same glyph.
"$converter" -q -o "$work/revathi.rtf" "$prose"
sed -E -e 's/ML-TTRevathi/ML-TTKarthika/g' -e "s/\\\\'ad/\\\\'ef/g" -e '0,/\\par($|[^a-z])/s//\\par\\page\1/' "$work/revathi.rtf" >"$work/book.rtf"
FONTCONFIG_FILE="$work/fonts.conf" timeout 180 soffice --headless "-env:UserInstallation=file://$work/profile" \
    --convert-to pdf --outdir "$work" "$work/book.rtf" >/dev/null 2>&1
[ -f "$work/book.pdf" ] || { echo "LibreOffice made no PDF"; exit 1; }
"$converter" -q --unicode -o "$work/pdf.txt" "$work/book.pdf"
"$converter" -q --unicode --text -o "$work/rtf.txt" "$work/book.rtf"
grep -q $'\f' "$work/pdf.txt" || { echo "no form feed between the PDF's pages"; exit 1; }
characters() { tr -d ' \t\f\n' <"$1" | grep -o . ; }
if ! diff <(characters "$work/rtf.txt") <(characters "$work/pdf.txt") >"$work/diff"; then
    echo "the PDF's text differs from the RTF's:"
    head -20 "$work/diff"
    exit 1
fi
words() { tr -s ' \t\f\n' '\n\n\n\n' <"$1" | grep -c .; }
echo "LibreOffice's PDF: $(characters "$work/pdf.txt" | wc -l) characters as the RTF's;" \
    "$(words "$work/pdf.txt") words against the RTF's $(words "$work/rtf.txt")"
