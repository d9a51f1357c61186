#!/usr/bin/env bash
# Measures the text engine's peak memory on folders named like the file type ("d.txt") nested
# deeper than any path can name, with and without subfolders. Every level holds a file of the
# type that is read; only the deepest one holds the find text, so that the result list (one path)
# does not weigh in: what grows is what the walk and the loop keep. That should grow with the
# depth, not with its square. A benchmark, never a test.
#
#   bench/deep_folders_bench.sh [LEVELS ...]   (default 5000 20000)
#
# Prints one line per depth and mode: levels, subfolders on/off, changed and skipped files,
# seconds, peak RSS.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir="${TRALEX_BUILD_DIR:-$top/build}"
cmake --build "$build_dir" --target tralex_bench >/dev/null
bin="$build_dir/bench/tralex_bench"
levels=("$@")
[ ${#levels[@]} -gt 0 ] || levels=(5000 20000)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Made through folder descriptors: no path can name the deepest folders.
make_tree() {
  python3 - "$1" "$2" <<'EOF'
import os, sys
fd = os.open(sys.argv[1], os.O_RDONLY | os.O_DIRECTORY)
levels = int(sys.argv[2])
for level in range(levels):
    f = os.open("a.txt", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd)
    os.write(f, b"abc\n" if level == levels - 1 else b"xyz\n")
    os.close(f)
    os.mkdir("d.txt", dir_fd=fd)
    child = os.open("d.txt", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
    os.close(fd)
    fd = child
os.close(fd)
EOF
}

printf '%8s %11s %8s %8s %8s %12s\n' levels subfolders changed skipped seconds peak_rss_kb
for n in "${levels[@]}"; do
  for mode in on off; do
    rm -rf "$work/tree"
    mkdir "$work/tree"
    make_tree "$work/tree" "$n"
    flags=()
    [ "$mode" = on ] && flags=(--subfolders)
    out=$( { /usr/bin/time -f 'RSS %M' "$bin" "${flags[@]}" txt "$work/tree" abc xyz >"$work/out" 2>"$work/err"; } 2>&1 || true)
    rss=$(grep -ho 'RSS [0-9]*' "$work/err" <(echo "$out") | tail -1 | cut -d' ' -f2)
    # tralex_bench prints "changed N, skipped M, S s".
    read -r changed skipped secs < <(awk '/^changed/ {gsub(",", ""); print $2, $4, $5}' "$work/out") || true
    printf '%8s %11s %8s %8s %8s %12s\n' "$n" "$mode" "${changed:-?}" "${skipped:-?}" "${secs:-?}" "${rss:-?}"
  done
done
