# Sourced by the side-by-side timing scripts: the project folder, the programs, a
# generated 10 MB PANCHARI document in a folder that goes when the script ends, and
# helpers for timing.
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bin=${BIN:-build/bin}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$bin/make_sample" "$dir/book.rtf" 10
now() { date +%s%N; }
# Microseconds a command takes; its failure, with what it said, stops the script.
timed() {
    local t0 t1
    t0=$(now)
    "$@" 2>"$dir/timed.err" || { cat "$dir/timed.err" >&2; return 1; }
    t1=$(now)
    echo $(((t1 - t0) / 1000))
}
# keep_best NAME MICROSECONDS: NAME becomes the smaller of the two (set when unset).
keep_best() {
    [ -n "$2" ] || { echo "a timed command failed" >&2; exit 1; }
    if [ -z "${!1:-}" ] || [ "$2" -lt "${!1}" ]; then printf -v "$1" %s "$2"; fi
}
# Microseconds as milliseconds with three decimals.
ms() { echo "$(($1 / 1000)).$(printf %03d $(($1 % 1000)))"; }
