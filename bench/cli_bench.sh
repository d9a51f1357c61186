#!/usr/bin/env bash
# Compares the command line with the text engine alone on the text benchmark corpus (about 2,000
# Japanese text files, ~100 MB, nested folders, half holding the find text): `tralex-cli` as a
# user starts it (process start, settings, checks, the run, every file's progress line and result
# line) against `tralex_bench`, which runs the same engine with the same options (retry on, case
# ignored, subfolders, one pair) and times the engine's run alone. A benchmark, never a test.
#
#   bench/cli_bench.sh [--files N] [--mb N] [--runs N] [--settle S] [--work DIR]
#
# Every run works on a fresh copy of the corpus, made just before it; the two programs take turns.
# Prints the medians and, as its last line:
#   ratio cli/engine: X (cli wall time over the engine's own run time), cli/bench process: Y
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
files=2000 mb=100 runs=5 settle=2
work="$top/build/cli-bench-work"
# shellcheck source=bench/corpus_options.sh
source "$top/bench/corpus_options.sh"
prepare_corpus tralex-cli tralex_bench
# The command line keeps its settings beside itself: a copy of its own, so that the user's
# settings play no part.
mkdir -p "$work/cli"
cp "$build/bin/tralex-cli" "$work/cli/"
echo "corpus: $files files, $(du -sh "$work/corpus" | cut -f1) in $work"

now() { date +%s.%N; }
cli_times="" bench_times="" engine_times=""
for ((r = 1; r <= runs; r++)); do
  for tool in bench cli; do
    dir="$work/run-$r-$tool"
    cp -r "$work/corpus" "$dir"
    sync
    sleep "$settle"
    start=$(now)
    if [ "$tool" = cli ]; then
      "$work/cli/tralex-cli" --subfolders "$dir" txt --pair tralexkey001 replaced001 >/dev/null 2>&1 || [ $? = 1 ]
      cli_times+="$(echo "$(now) - $start" | bc -l) "
    else
      line=$("$build/bench/tralex_bench" --subfolders --retry --ignore-case txt "$dir/" tralexkey001 replaced001 2>/dev/null)
      bench_times+="$(echo "$(now) - $start" | bc -l) "
      engine_times+="$(echo "$line" | sed -E 's/.* ([0-9.]+) s$/\1/') "
    fi
  done
done
# shellcheck disable=SC2086
cli=$(printf '%s\n' $cli_times | median)
# shellcheck disable=SC2086
bench=$(printf '%s\n' $bench_times | median)
# shellcheck disable=SC2086
engine=$(printf '%s\n' $engine_times | median)
printf 'tralex-cli (whole process)      median %6.3f s   runs: %s\n' "$cli" "$cli_times"
printf 'tralex_bench (whole process)    median %6.3f s   runs: %s\n' "$bench" "$bench_times"
printf 'engine run alone (in the bench) median %6.3f s   runs: %s\n' "$engine" "$engine_times"
ratio() { echo "scale=3; $1 / $2" | bc -l | sed 's/^\./0./'; }
echo "ratio cli/engine: $(ratio "$cli" "$engine"), cli/bench process: $(ratio "$cli" "$bench")"
