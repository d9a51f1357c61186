# Sourced by the benchmarks that time runs on the text corpus: reads their common options into
# files, mb, runs, settle and work (set the defaults before sourcing), and gives `median`, the
# median of numbers read one per line.
#   [--files N] [--mb N] [--runs N] [--settle S] [--work DIR]
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --settle) settle=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
