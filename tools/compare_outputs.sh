#!/usr/bin/env bash
# Checks that a change to the engine changed no output: builds tolvarin-convert at an
# earlier commit in a temporary folder, then converts the same documents with both, to
# ML-TTRevathi, to Unicode, and to Unicode text (which goes through the window's reader),
# and compares the results (exit status and every byte; for a DOCX or ODT, whose changed
# parts another build may deflate differently, each member's content and every member
# left alone, through tools/same_package.py).
#   bash tools/compare_outputs.sh [COMMIT]   (default: the commit before the engine's split)
# Documents: the peer corpus, the samples and the Unicode cases beside the project, the
# project's own samples and test data, the benchmark's generated documents in both
# styles, 1,500 random documents (tools/random_documents.py, always the same ones), the
# fuzzing corpus if there is one, and the folder COMPARE_EXTRA if set. COMPARE_OLD_BIN
# names an earlier tolvarin-convert already built, instead of building COMMIT.
# Needs build/ (tools/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
ref=${1:-360931c}
[ -x build/bin/tolvarin-convert ] && [ -x build/bin/make_sample ] || { echo "build/ first: bash tools/test.sh"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -n "${COMPARE_OLD_BIN:-}" ]; then
    old=$COMPARE_OLD_BIN
else
    git archive "$ref" | tar -x -C "$work" --one-top-level=src
    cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVARIN_BUILD_GUI=OFF \
        -DTOLVARIN_BUILD_TESTS=OFF -DTOLVARIN_BUILD_BENCH=OFF >/dev/null
    cmake --build "$work/build" -j2 --target tolvarin-convert >/dev/null
    old="$work/build/bin/tolvarin-convert"
fi
new=build/bin/tolvarin-convert

mkdir -p "$work/generated"
build/bin/make_sample "$work/generated/word_10mb.rtf" 10 >/dev/null
build/bin/make_sample --libreoffice "$work/generated/libreoffice_10mb.rtf" 10 >/dev/null
build/bin/make_sample --docx "$work/generated/book_10mb.docx" 10 >/dev/null
python3 tools/random_documents.py "$work/random" 1500 7

inputs=()
for dir in ../shared/corpus ../shared/corpus-office ../shared/samples ../shared/unicode samples tests/data "$work/generated" "$work/random" fuzz/corpus-work ${COMPARE_EXTRA:-}; do
    [ -d "$dir" ] || continue
    while IFS= read -r -d '' f; do inputs+=("$f"); done < <(find "$dir" -type f ! -name '*.md' ! -name '*.txt' ! -name '*.tsv' -print0 | sort -z)
done

same=0 total=0
differ=()
for f in "${inputs[@]}"; do
    for mode in "" "--unicode" "--unicode --text"; do
        total=$((total + 1))
        set +e
        "$old" -q $mode -o "$work/old" "$f" 2>"$work/old.err"; a=$?
        "$new" -q $mode -o "$work/new" "$f" 2>"$work/new.err"; b=$?
        set -e
        if [ $a = $b ] && { [ $a != 0 ] || cmp -s "$work/old" "$work/new" ||
            { [ "$mode" != "--unicode --text" ] && python3 tools/same_package.py "$work/old" "$work/new" "$f"; }; }; then
            same=$((same + 1))
        else
            differ+=("$f ${mode:---ml} (status $a, $b)")
        fi
        rm -f "$work/old" "$work/new"
    done
done
for d in "${differ[@]}"; do echo "differs: $d"; done
echo "identical to $ref: $same of $total conversions (${#inputs[@]} documents, three modes)"
[ $same = $total ]
