#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest; exits non-zero on any failure.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
ctest --test-dir "${TRALEX_BUILD_DIR:-$top/build}" --output-on-failure -j "$(nproc)" "$@"
