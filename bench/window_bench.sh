#!/usr/bin/env bash
# Times a run started from the main window (window_bench, Qt's offscreen platform) against the
# engine alone (tralex_bench) on fresh copies of the same corpus as text_bench.sh: about 2,000
# Japanese text files, ~100 MB, nested folders, one pair. A benchmark, never a test.
#
#   bench/window_bench.sh [--files N] [--mb N] [--runs N] [--settle S] [--work DIR]
#
# The two take turns, round after round, each on a copy made just before it. Prints the median of
# each and, as its last line:
#   ratio window/engine: X (target 1.15 or less)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
files=2000 mb=100 runs=5 settle=2
work="$top/build/bench-window"
# shellcheck source=bench/corpus_options.sh
source "$top/bench/corpus_options.sh"

"$top/scripts/build.sh" >/dev/null
bin="${TRALEX_BUILD_DIR:-$top/build}/bench"

rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
echo "corpus: $files files, about $mb MB, in $work"
"$bin/make_corpus" tree "$work/corpus" "$files" "$mb" 1

# Each prints "changed N, skipped M, S s"; the seconds are the run alone, without start-up.
tools=("engine" "window")
run_tool() {
  case "$1" in
    engine) "$bin/tralex_bench" --subfolders txt "$2/" tralexkey001 replaced001 ;;
    window) "$bin/window_bench" --subfolders txt "$2/" tralexkey001 replaced001 ;;
  esac
}


declare -A times result
for ((r = 1; r <= runs; r++)); do
  for tool in "${tools[@]}"; do
    dir="$work/run-$r-$tool"
    cp -r "$work/corpus" "$dir"
    sync
    sleep "$settle"
    line=$(run_tool "$tool" "$dir")
    times[$tool]+="$(awk '{print $(NF-1)}' <<<"$line") "
    echo "round $r $tool: $line"
  done
done
for tool in "${tools[@]}"; do
  # shellcheck disable=SC2086
  result[$tool]=$(printf '%s\n' ${times[$tool]} | median)
  printf '%-8s median %6.3f s   runs: %s\n' "$tool" "${result[$tool]}" "${times[$tool]}"
done
echo "ratio window/engine: $(echo "scale=3; ${result[window]} / ${result[engine]}" | bc -l | sed 's/^\./0./') (target 1.15 or less)"
