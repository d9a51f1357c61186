#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest; exits non-zero on any failure.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
# A test that fails is run again, up to three times in all: the headless LibreOffice behind the
# office tests now and then crashes or answers a call with a disposed object on a loaded machine.
# A failure that repeats three times still fails the run, and every failed try stays in the log.
ctest --test-dir "${TRALEX_BUILD_DIR:-$top/build}" --output-on-failure -j "$(nproc)" \
  --repeat until-pass:3 "$@"
