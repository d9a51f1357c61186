#!/usr/bin/env bash
# Times the text engine against `sed -i.bak`, `perl -pi.bak` and `cp -r` on fresh copies of one
# corpus (about 2,000 Japanese text files, ~100 MB, half Windows-31J and half UTF-8, nested
# folders, half of the files holding the find texts), with 1 pair and with 100 ASCII pairs, and
# measures Tralex's peak memory on one large file. A benchmark, never a test.
#
#   bench/text_bench.sh [--files N] [--mb N] [--runs N] [--big-mb N] [--settle S] [--work DIR] [--keep]
#
# Before every timed run the script waits --settle seconds (default 2) after `sync`, so that the
# disk is idle when the clock starts. All copies stay until the end: it needs about
# 7 x runs x 250 MB of free space with the default corpus.
#
# Prints the median of each measurement and, as its last line:
#   ratio tralex/sed 1-pair: X, 100-pair: Y; tralex/perl 1-pair: P; tralex/cp: Z
# (Z compares the 1-pair run with copying the whole corpus; the line before it gives the same
# ratio for 100 pairs, where the hundred passes over every matching file dominate.)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
files=2000 mb=100 runs=3 big_mb=512 settle=2 keep=0
work="$top/build/bench-work"
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --big-mb) big_mb=$2; shift 2 ;;
    --settle) settle=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

"$top/scripts/setup.sh"
"$top/scripts/build.sh" >/dev/null
bin="${TRALEX_BUILD_DIR:-$top/build}/bench"

rm -rf "$work"
mkdir -p "$work"
[ "$keep" = 1 ] || trap 'rm -rf "$work"' EXIT
echo "corpus: $files files, about $mb MB, in $work"
"$bin/make_corpus" tree "$work/corpus" "$files" "$mb" 1
du -sh "$work/corpus" | awk '{print "corpus size on disk: " $1}'

# The pairs: tralexkeyNNN -> replacedNNN (the key 001 alone for the 1-pair case).
pairs() {  # $1 = number of pairs; prints "find replace" per line
  for ((k = 1; k <= $1; k++)); do printf 'tralexkey%03d replaced%03d\n' "$k" "$k"; done
}
tralex_args() { pairs "$1" | tr '\n' ' '; }
sed_args() { pairs "$1" | awk '{printf "-e s/%s/%s/g ", $1, $2}'; }
perl_prog() { pairs "$1" | awk '{printf "s/%s/%s/g; ", $1, $2}'; }

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

find_txt() { find "$1" -type f -name '*.txt' -print0; }

# run_tool NAME DIR: runs one of the measured tools on the copy of the corpus in DIR.
tools=("tralex 1-pair" "tralex 100-pair" "sed -i.bak 1-pair" "sed -i.bak 100-pair"
       "perl -pi.bak 1-pair" "perl -pi.bak 100-pair" "cp -r")
run_tool() {
  local dir=$2
  # shellcheck disable=SC2046
  case "$1" in
    "tralex 1-pair") "$bin/tralex_bench" --subfolders txt "$dir/" $(tralex_args 1) ;;
    "tralex 100-pair") "$bin/tralex_bench" --subfolders txt "$dir/" $(tralex_args 100) ;;
    "sed -i.bak 1-pair") find_txt "$dir" | xargs -0 sed -i.bak $(sed_args 1) ;;
    "sed -i.bak 100-pair") find_txt "$dir" | xargs -0 sed -i.bak $(sed_args 100) ;;
    "perl -pi.bak 1-pair") find_txt "$dir" | xargs -0 perl -pi.bak -e "$(perl_prog 1)" ;;
    "perl -pi.bak 100-pair") find_txt "$dir" | xargs -0 perl -pi.bak -e "$(perl_prog 100)" ;;
    "cp -r") cp -r "$dir" "$dir-copy" ;;
  esac
}

# Every run of every tool works on a copy of the corpus made just before it, so all of them find
# it in the page cache alike. The tools take turns, round after round, so that a machine that
# gets slower or faster over the minutes of the benchmark weighs on all of them alike; and no
# copy is deleted before the end. (On ext4 without a journal, as here, a new file never takes
# the inode of a file deleted in the last minutes, and every file created searches past each
# such inode: deleting a finished run's copy would slow whichever tool comes next.)
declare -A times result
for ((r = 1; r <= runs; r++)); do
  for ((t = 0; t < ${#tools[@]}; t++)); do
    dir="$work/run-$r-$t"
    cp -r "$work/corpus" "$dir"
    sync
    sleep "$settle"
    start=$(now)
    run_tool "${tools[t]}" "$dir" >/dev/null
    end=$(now)
    times[${tools[t]}]+="$(echo "$end - $start" | bc -l) "
  done
done
for name in "${tools[@]}"; do
  # shellcheck disable=SC2086
  result[$name]=$(printf '%s\n' ${times[$name]} | median)
  printf '%-22s median %6.2f s   runs: %s\n' "$name" "${result[$name]}" "${times[$name]}"
done
rm -rf "$work"/run-*

# One large file: Tralex's peak memory (GNU time's maximum resident set size).
rm -rf "$work/corpus"
mkdir -p "$work/big"
"$bin/make_corpus" single "$work/big/big.txt" "$big_mb" 1
sync
sleep "$settle"
peak_kb=$( { /usr/bin/time -f '%M %e' "$bin/tralex_bench" txt "$work/big/" tralexkey001 replaced001 >/dev/null; } 2>&1 | tail -n 1)
read -r kb secs <<<"$peak_kb"
limit_mb=$((big_mb * 8 + 64))
printf 'large file: %d MB, tralex 1-pair %.2f s, peak memory %d MB (target under %d MB)\n' \
  "$big_mb" "$secs" "$((kb / 1024))" "$limit_mb"

ratio() { echo "scale=2; $1 / $2" | bc -l | sed 's/^\./0./'; }
echo "ratio tralex/cp 100-pair: $(ratio "${result[tralex 100-pair]}" "${result[cp -r]}")"
echo "ratio tralex/sed 1-pair: $(ratio "${result[tralex 1-pair]}" "${result[sed -i.bak 1-pair]}"), 100-pair: $(ratio "${result[tralex 100-pair]}" "${result[sed -i.bak 100-pair]}"); tralex/perl 1-pair: $(ratio "${result[tralex 1-pair]}" "${result[perl -pi.bak 1-pair]}"); tralex/cp: $(ratio "${result[tralex 1-pair]}" "${result[cp -r]}")"
