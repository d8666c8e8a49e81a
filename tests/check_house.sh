#!/usr/bin/env bash
# The engine's folders stand in layers, each using only those below it: an include that
# runs back up (or sideways, between convert/, office/ and pdf/) fails. So does a source file
# grown past about 600 lines, which is two files waiting to be split.
set -euo pipefail
cd "$(dirname "$0")/../engine"
layer() {
    case $1 in
    text) echo 0 ;; io) echo 1 ;; fonts) echo 2 ;; core) echo 3 ;; rtf) echo 4 ;; model) echo 5 ;;
    convert | office | pdf) echo 6 ;; api) echo 7 ;; *) echo "" ;;
    esac
}
status=0
while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$line")
    from=${file%%/*}
    to=${target%%/*}
    [ "$to" = "$target" ] && continue  # a file beside it (a table)
    [ "$from" = "$to" ] && continue
    a=$(layer "$from") b=$(layer "$to")
    if [ -z "$a" ] || [ -z "$b" ] || [ "$b" -ge "$a" ]; then
        echo "engine/$file includes $target: $to/ is not below $from/"
        status=1
    fi
done < <(grep -rn --include='*.h' --include='*.cpp' '#include "' . | sed 's|^\./||')
for f in $(find . ../ui ../app ../web -name '*.cpp' -o -name '*.h'); do
    n=$(wc -l <"$f")
    if [ "$n" -gt 650 ]; then
        echo "${f#./} has $n lines: split it"
        status=1
    fi
done
exit $status
