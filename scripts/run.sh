#!/usr/bin/env bash
# Installs what is missing, builds and starts Tralex.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
exec "${TRALEX_BUILD_DIR:-$top/build}/bin/tralex" "$@"
