#!/usr/bin/env bash
# Times the spreadsheet and document engines on the real LibreOffice: 200 small .xls and 200
# small .doc files plus a few of about 2 MB each, against the floor of merely loading and storing
# the same files through one soffice process, and the start-up of soffice (paid once per run).
# Every round works on fresh copies; the medians over the rounds are printed. A benchmark, never
# a test.
#
#   bench/office_bench.sh [--small N] [--big N] [--rounds N] [--dense] [--work DIR]
#
# The large files hold the find text in one paragraph (row) of ten; --dense puts it in every one.
# Prints seconds per file, the ratio to the floor (also apart for small and large files) and the
# peak memory of soffice; its last line:
#   ratio xls/floor: X, doc/floor: Y
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
small=200 big=3 rounds=3 dense=0
work="$top/build/office-bench-work"
while [ $# -gt 0 ]; do
  case "$1" in
    --small) small=$2; shift 2 ;;
    --big) big=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --dense) dense=1; shift ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
"$top/scripts/build.sh" >/dev/null
rm -rf "$work"
mkdir -p "$work"
"${TRALEX_BUILD_DIR:-$top/build}/bench/office_bench" "$work" "$small" "$big" "$rounds" "$dense"
rm -rf "$work"
