#!/usr/bin/env bash
# What the run journal costs: the text engine on the text benchmark corpus (about 2,000 Japanese
# text files, ~100 MB, half of them holding the find text) with one pair, with and without a
# journal, taking turns on fresh copies. A benchmark, never a test.
#
#   bench/journal_bench.sh [--files N] [--mb N] [--runs N] [--settle S] [--work DIR]
#
# Prints the medians of the engine's own run time and, as its last line:
#   ratio journal/none: X
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
files=2000 mb=100 runs=7 settle=1
work="$top/build/journal-bench-work"
# shellcheck source=bench/corpus_options.sh
source "$top/bench/corpus_options.sh"
prepare_corpus tralex_bench
with="" without=""
for ((r = 1; r <= runs; r++)); do
  # The two take turns going first, so that neither always follows the other's writes.
  order="none journal"
  [ $((r % 2)) = 0 ] && order="journal none"
  for mode in $order; do
    dir="$work/run-$r-$mode"
    cp -r "$work/corpus" "$dir"
    sync
    sleep "$settle"
    extra=()
    [ "$mode" = journal ] && extra=(--journal "$work/journal-$r/")
    line=$("$build/bench/tralex_bench" --subfolders --retry --ignore-case "${extra[@]}" txt "$dir/" tralexkey001 replaced001)
    t=$(echo "$line" | sed -E 's/.* ([0-9.]+) s$/\1/')
    if [ "$mode" = journal ]; then with+="$t "; else without+="$t "; fi
    rm -rf "$dir"
  done
done
# shellcheck disable=SC2086
a=$(printf '%s\n' $with | median)
# shellcheck disable=SC2086
b=$(printf '%s\n' $without | median)
printf 'with journal    median %6.3f s   runs: %s\n' "$a" "$with"
printf 'without journal median %6.3f s   runs: %s\n' "$b" "$without"
echo "ratio journal/none: $(echo "scale=3; $a / $b" | bc -l | sed 's/^\./0./')"
