# Sourced by the benchmarks that time runs on the text corpus: reads their common options into
# files, mb, runs, settle and work (set the defaults before sourcing), and gives `median`, the
# median of numbers read one per line, and `prepare_corpus TARGET...`, which builds the targets
# into $build, makes $work afresh (removed at exit) and the corpus in $work/corpus.
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
prepare_corpus() {
  build="${TRALEX_BUILD_DIR:-$top/build}"
  cmake --build "$build" --target "$@" make_corpus >/dev/null
  rm -rf "$work"
  mkdir -p "$work"
  trap 'rm -rf "$work"' EXIT
  "$build/bench/make_corpus" tree "$work/corpus" "$files" "$mb" 1 >/dev/null
}
