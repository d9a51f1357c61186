#!/usr/bin/env bash
# Configures and builds Tralex and its tests into build/ (RelWithDebInfo, Ninja).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TRALEX_BUILD_DIR:-"$top/build"}
# ccache (when installed) shares compilations between checkouts in different folders.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-"$top"}
cmake -S "$top" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir"
