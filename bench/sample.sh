# Sourced by the side-by-side timing scripts: the project folder, the programs, and a
# generated 10 MB PANCHARI document in a folder that goes when the script ends.
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bin=${BIN:-build/bin}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$bin/make_sample" "$dir/book.rtf" 10
now() { date +%s%N; }
