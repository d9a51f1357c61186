#!/usr/bin/env bash
# What a preview costs: the text engine on the text benchmark corpus (about 2,000 Japanese text
# files, ~100 MB, half of them holding the find texts), taking turns on fresh copies:
#   run       a plain run
#   preview   a preview (nothing written)
#   then-all  a preview, then every file it found replaced as chosen from it
# with 1 pair and with 100 pairs. With --old BIN, a plain run of another build's tralex_bench
# (the one before files were counted first) takes its turn too, for what counting costs.
# A benchmark, never a test.
#
#   bench/preview_bench.sh [--old BIN] [--files N] [--mb N] [--runs N] [--settle S] [--work DIR]
#
# Prints the median of the engine's own time per mode and the ratios:
#   preview/run 1-pair: X   then-all/run 100-pair: Y   then-all/(preview+run) 100-pair: W
#   run/old 1-pair: Z
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
files=2000 mb=100 runs=5 settle=1 old=""
work="$top/build/preview-bench-work"
args=()
while [ $# -gt 0 ]; do
  if [ "$1" = --old ]; then old=$2; shift 2; else args+=("$1"); shift; fi
done
# shellcheck source=bench/corpus_options.sh
source "$top/bench/corpus_options.sh" "${args[@]}"
prepare_corpus tralex_bench
pairs() { for ((i = 1; i <= $1; i++)); do printf 'tralexkey%03d replaced%03d ' "$i" "$i"; done; }

modes=("run 1" "preview 1" "then-all 1" "run 100" "preview 100" "then-all 100")
[ -n "$old" ] && modes+=("old 1")
declare -A times
for ((r = 1; r <= runs; r++)); do
  # A different mode goes first in each round.
  for ((k = 0; k < ${#modes[@]}; k++)); do
    mode=${modes[$(((k + r) % ${#modes[@]}))]}
    read -r name count <<<"$mode"
    dir="$work/run-$r"
    cp -r "$work/corpus" "$dir"
    sync
    sleep "$settle"
    bin="$build/bench/tralex_bench"
    extra=()
    case "$name" in
      preview) extra=(--preview) ;;
      then-all) extra=(--preview-then-all) ;;
      old) bin=$old ;;
    esac
    # shellcheck disable=SC2046
    line=$("$bin" --subfolders --retry --ignore-case "${extra[@]}" txt "$dir/" $(pairs "$count"))
    times[$mode]+="$(echo "$line" | sed -E 's/.* ([0-9.]+) s$/\1/') "
    rm -rf "$dir"
  done
done
declare -A med
for mode in "${modes[@]}"; do
  # shellcheck disable=SC2086
  med[$mode]=$(printf '%s\n' ${times[$mode]} | median)
  printf '%-14s median %7.3f s   runs: %s\n' "$mode" "${med[$mode]}" "${times[$mode]}"
done
ratio() { echo "scale=3; $1 / $2" | bc -l | sed 's/^\./0./'; }
line="preview/run 1-pair: $(ratio "${med[preview 1]}" "${med[run 1]}")"
line+="   then-all/run 1-pair: $(ratio "${med[then-all 1]}" "${med[run 1]}")"
line+="   then-all/run 100-pair: $(ratio "${med[then-all 100]}" "${med[run 100]}")"
# Choosing from a preview against running again after it.
both=$(echo "${med[preview 100]} + ${med[run 100]}" | bc -l)
line+="   then-all/(preview+run) 100-pair: $(ratio "${med[then-all 100]}" "$both")"
[ -n "$old" ] && line+="   run/old 1-pair: $(ratio "${med[run 1]}" "${med[old 1]}")"
echo "$line"
