#!/usr/bin/env bash
# What the encodings and the finding of legacy text in ordinary fonts cost, on generated
# 10 MB documents, end to end, best wall time of several alternating runs:
#  - a document typed in Matweb to Unicode against the same codes typed in PANCHARI;
#  - an English document in ordinary fonts to Unicode with --detect against without it;
#  - --fonts on the PANCHARI document and on the English one, and, with OLD_BIN naming an
#    earlier build's folder, against that build's --fonts.
# Usage: bench/encodings.sh [RUNS]   (default 7)   OLD_BIN=path/to/old/bin for the last
set -euo pipefail
runs=${1:-7}
source "$(dirname "$0")/sample.sh"
convert=("$bin/tolvarin-convert" -q)
"$bin/make_sample" --font Matweb "$dir/matweb.rtf" 10
"$bin/make_sample" --english "$dir/english.rtf" 10

quietly() { "$@" >/dev/null; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# alternate BEST_A OUT_A ARGS_A BEST_B OUT_B ARGS_B: two conversions run in turn, each
# writing a new OUT (as a first conversion does), the best time of each kept.
alternate() {
    local i
    for ((i = 1; i <= runs; i++)); do
        rm -f "$dir/$2" "$dir/$5"
        # shellcheck disable=SC2086  # the arguments are words
        keep_best "$1" "$(timed "${convert[@]}" $3 -o "$dir/$2")"
        # shellcheck disable=SC2086
        keep_best "$4" "$(timed "${convert[@]}" $6 -o "$dir/$5")"
    done
}

best_panchari="" best_matweb=""
alternate best_panchari p.rtf "--unicode $dir/book.rtf" best_matweb m.rtf "--unicode $dir/matweb.rtf"
echo "to Unicode, 10 MB: PANCHARI $(ms $best_panchari) ms, Matweb $(ms $best_matweb) ms:" \
    "Matweb / PANCHARI $(ratio $best_matweb $best_panchari) x (best of $runs)"
# The generated documents draw the same codes, which stand for more Unicode in Matweb
# (more conjuncts): the time per byte written compares the work itself.
out_p=$(stat -c %s "$dir/p.rtf") out_m=$(stat -c %s "$dir/m.rtf")
echo "  written: PANCHARI $out_p bytes, Matweb $out_m bytes; per byte written, Matweb / PANCHARI" \
    "$(awk -v a="$best_matweb" -v b="$best_panchari" -v x="$out_m" -v y="$out_p" 'BEGIN { printf "%.2f", (a / x) / (b / y) }') x"

best_plain="" best_detect=""
alternate best_plain e.rtf "--unicode $dir/english.rtf" best_detect d.rtf "--unicode --detect $dir/english.rtf"
cmp -s "$dir/english.rtf" "$dir/d.rtf" || { echo "--detect changed the English document"; exit 1; }
echo "English in ordinary fonts, 10 MB, to Unicode: $(ms $best_plain) ms, with --detect $(ms $best_detect) ms:" \
    "$(ratio $best_detect $best_plain) x (the output is the input, byte for byte)"

for doc in book english; do
    best_fonts="" best_old=""
    for ((i = 1; i <= runs; i++)); do
        keep_best best_fonts "$(timed quietly "$bin/tolvarin-convert" --fonts "$dir/$doc.rtf")"
        [ -n "${OLD_BIN:-}" ] && keep_best best_old "$(timed quietly "$OLD_BIN/tolvarin-convert" --fonts "$dir/$doc.rtf")"
    done
    line="--fonts on $doc.rtf: $(ms $best_fonts) ms"
    [ -n "${OLD_BIN:-}" ] && line+="; the earlier build $(ms $best_old) ms: $(ratio $best_fonts $best_old) x"
    echo "$line"
done
