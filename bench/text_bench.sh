#!/usr/bin/env bash
# Times the text engine against `sed -i.bak`, `perl -pi.bak`, `cp -r` and the safe-renewal floor
# (bench/safe_floor.cpp: read, write a temporary file, link the old inode as the backup, rename,
# one syncfs) on fresh copies of one corpus (about 2,000 Japanese text files, ~100 MB, half
# Windows-31J and half UTF-8, nested folders, half of the files holding the find texts), with 1
# pair and with 100 ASCII pairs; then Tralex against the floor on --small-files small files, and
# Tralex against sed on one large file, with the time and peak memory of each. A benchmark,
# never a test.
#
#   bench/text_bench.sh [--files N] [--mb N] [--runs N] [--small-files N] [--big-mb N]
#                       [--settle S] [--work DIR] [--keep] [--loopfs] [--compare PROGRAM]
#
# --files 0, --small-files 0 or --big-mb 0 leaves that part out. --compare times another build's
# tralex_bench (say, of the main branch) on the corpus (1 pair) and the large file in the same
# rounds.
#
# --loopfs runs everything on a journaled ext4 made in a loop file (direct I/O) under build/,
# instead of the file system of --work: on a root file system without a journal and with
# `discard`, files made right after large deletions are 2-3 times slower, which swamps the
# differences.
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
files=2000 mb=100 runs=3 small_files=20000 big_mb=1024 settle=2 keep=0 loopfs=0 compare=""
work="$top/build/bench-work"
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --big-mb) big_mb=$2; shift 2 ;;
    --small-files) small_files=$2; shift 2 ;;
    --loopfs) loopfs=1; shift ;;
    --settle) settle=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --compare) compare=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

"$top/scripts/setup.sh"
# Only the programs the benchmark runs are built, on two cores at most.
build_dir=${TRALEX_BUILD_DIR:-$top/build}
CCACHE_BASEDIR=${CCACHE_BASEDIR:-"$top"} cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target tralex_bench safe_floor make_corpus -j2 >/dev/null
bin="$build_dir/bench"

cleanup() {
  [ "$keep" = 1 ] || rm -rf "$work"
  if [ "$loopfs" = 1 ]; then
    umount "$mnt" 2>/dev/null || true
    losetup -d "$loop" 2>/dev/null || true
    rm -f "$image"
    rmdir "$mnt" 2>/dev/null || true
  fi
}
if [ "$loopfs" = 1 ]; then
  image="$top/build/text-bench-fs.img"
  mnt=$(mktemp -d)
  corpus_mb=$(( files > 0 ? runs * 8 * mb * 3 : 0 ))
  truncate -s $(((big_mb * 4 + corpus_mb + 4096) / 1024 + 1))G "$image"
  mkfs.ext4 -q -F "$image"
  loop=$(losetup --direct-io=on -f --show "$image")
  mount "$loop" "$mnt"
  work="$mnt/work"
  echo "file system: journaled ext4 on $loop (direct I/O)"
fi
rm -rf "$work"
mkdir -p "$work"
trap cleanup EXIT

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
       "perl -pi.bak 1-pair" "perl -pi.bak 100-pair" "cp -r" "floor 1-pair")
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
    "floor 1-pair") "$bin/safe_floor" "$dir" txt tralexkey001 replaced001 ;;
    "compared 1-pair") "$compare" --subfolders txt "$dir/" $(tralex_args 1) ;;
  esac
}

# time_rounds CORPUS TOOL...: each tool on fresh copies of CORPUS, in turns, round after round;
# fills times[TOOL] with the seconds of each run.
declare -A times result
time_rounds() {
  local corpus=$1 r t
  shift
  local list=("$@")
  for ((r = 1; r <= runs; r++)); do
    for ((t = 0; t < ${#list[@]}; t++)); do
      dir="$corpus-run-$r-$t"
      cp -r "$corpus" "$dir"
      sync
      sleep "$settle"
      start=$(now)
      run_tool "${list[t]}" "$dir" >/dev/null
      end=$(now)
      times[${list[t]}]+="$(echo "$end - $start" | bc -l) "
    done
  done
}

# Every run of every tool works on a copy of the corpus made just before it, so all of them find
# it in the page cache alike. The tools take turns, round after round, so that a machine that
# gets slower or faster over the minutes of the benchmark weighs on all of them alike; and no
# copy is deleted before the end. (On ext4 without a journal, as here, a new file never takes
# the inode of a file deleted in the last minutes, and every file created searches past each
# such inode: deleting a finished run's copy would slow whichever tool comes next.)
# --files 0, --small-files 0 and --big-mb 0 leave out their part.
[ -z "$compare" ] || tools+=("compared 1-pair")
if [ "$files" -gt 0 ]; then
  echo "corpus: $files files, about $mb MB, in $work"
  "$bin/make_corpus" tree "$work/corpus" "$files" "$mb" 1
  du -sh "$work/corpus" | awk '{print "corpus size on disk: " $1}'
  time_rounds "$work/corpus" "${tools[@]}"
  for name in "${tools[@]}"; do
    # shellcheck disable=SC2086
    result[$name]=$(printf '%s\n' ${times[$name]} | median)
    printf '%-22s median %6.2f s   runs: %s\n' "$name" "${result[$name]}" "${times[$name]}"
  done
  rm -rf "$work"/corpus-run-* "$work/corpus"
fi

# Many small files: Tralex against the floor.
declare -A small
if [ "$small_files" -gt 0 ]; then
  "$bin/make_corpus" tree "$work/small" "$small_files" "$((small_files * 2 / 1000 + 1))" 1 >/dev/null
  small_tools=("tralex 1-pair" "floor 1-pair")
  for name in "${small_tools[@]}"; do times[$name]=""; done
  time_rounds "$work/small" "${small_tools[@]}"
  for name in "${small_tools[@]}"; do
    # shellcheck disable=SC2086
    small[$name]=$(printf '%s\n' ${times[$name]} | median)
    printf '%-22s median %6.2f s   runs: %s   (%d small files)\n' "$name" "${small[$name]}" "${times[$name]}" "$small_files"
  done
  rm -rf "$work"/small*
fi

# One large file: time and peak memory (GNU time's maximum resident set size) of Tralex and sed
# (and of the --compare program), in turns, round after round; the median time and the largest
# peak of each.
declare -A big_time big_kb
if [ "$big_mb" -gt 0 ]; then
  mkdir -p "$work/big"
  "$bin/make_corpus" single "$work/big/big.txt" "$big_mb" 1 >/dev/null
  big_tools=(tralex sed)
  [ -n "$compare" ] && big_tools+=(compared)
  declare -A big_times
  for ((r = 1; r <= runs; r++)); do
    for tool in "${big_tools[@]}"; do
      rm -rf "$work/big-$tool"
      mkdir -p "$work/big-$tool"
      cp "$work/big/big.txt" "$work/big-$tool/big.txt"
      sync
      sleep "$settle"
      case "$tool" in
        tralex) line=$( { /usr/bin/time -f '%M %e' "$bin/tralex_bench" txt "$work/big-$tool/" tralexkey001 replaced001 >/dev/null; } 2>&1 | tail -n 1) ;;
        compared) line=$( { /usr/bin/time -f '%M %e' "$compare" txt "$work/big-$tool/" tralexkey001 replaced001 >/dev/null; } 2>&1 | tail -n 1) ;;
        sed) line=$( { /usr/bin/time -f '%M %e' sed -i.bak -e s/tralexkey001/replaced001/g "$work/big-$tool/big.txt"; } 2>&1 | tail -n 1) ;;
      esac
      read -r kb secs <<<"$line"
      big_times[$tool]+="$secs "
      [ "${big_kb[$tool]:-0}" -ge "$kb" ] || big_kb[$tool]=$kb
      rm -rf "$work/big-$tool"
    done
  done
  for tool in "${big_tools[@]}"; do
    # shellcheck disable=SC2086
    big_time[$tool]=$(printf '%s\n' ${big_times[$tool]} | median)
    printf 'large file %d MB: %-8s median %6.2f s, peak memory %d MB   runs: %s\n' "$big_mb" "$tool" \
      "${big_time[$tool]}" "$((big_kb[$tool] / 1024))" "${big_times[$tool]}"
  done
fi

ratio() { echo "scale=2; $1 / $2" | bc -l | sed 's/^\./0./'; }
if [ "$files" -gt 0 ] && [ "$small_files" -gt 0 ]; then
  echo "ratio tralex/floor corpus 1-pair: $(ratio "${result[tralex 1-pair]}" "${result[floor 1-pair]}"), small files: $(ratio "${small[tralex 1-pair]}" "${small[floor 1-pair]}"), 100-pair/1-pair: $(ratio "${result[tralex 100-pair]}" "${result[tralex 1-pair]}")"
fi
if [ "$big_mb" -gt 0 ]; then
  echo "ratio tralex/sed large file time: $(ratio "${big_time[tralex]}" "${big_time[sed]}"), peak memory tralex $((big_kb[tralex] / 1024)) MB, sed $((big_kb[sed] / 1024)) MB"
  [ -z "$compare" ] || echo "ratio compared/sed large file time: $(ratio "${big_time[compared]}" "${big_time[sed]}"), peak memory compared $((big_kb[compared] / 1024)) MB"
fi
if [ "$files" -gt 0 ]; then
  echo "ratio tralex/cp 100-pair: $(ratio "${result[tralex 100-pair]}" "${result[cp -r]}")"
  [ -z "$compare" ] || echo "ratio tralex/compared corpus 1-pair: $(ratio "${result[tralex 1-pair]}" "${result[compared 1-pair]}")"
  echo "ratio tralex/sed 1-pair: $(ratio "${result[tralex 1-pair]}" "${result[sed -i.bak 1-pair]}"), 100-pair: $(ratio "${result[tralex 100-pair]}" "${result[sed -i.bak 100-pair]}"); tralex/perl 1-pair: $(ratio "${result[tralex 1-pair]}" "${result[perl -pi.bak 1-pair]}"); tralex/cp: $(ratio "${result[tralex 1-pair]}" "${result[cp -r]}")"
fi
