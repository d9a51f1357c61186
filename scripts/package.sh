#!/usr/bin/env bash
# Builds the Debian package tralex_<version>_<architecture>.deb with CPack from a release build,
# checks it with lintian when lintian is installed (no errors allowed), and prints its path.
#   scripts/package.sh [--out DIR] [--try-install]
# --out DIR       where the package goes (default: <build>/package)
# --try-install   also installs the package into a fresh Debian 12 tree made with debootstrap
#                 (minimal base, no build tools, no LibreOffice), then runs tralex-cli on a text
#                 folder and a spreadsheet type there and starts the window on Qt's offscreen
#                 platform; needs debootstrap and the Debian mirror of /etc/apt/sources.list.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TRALEX_BUILD_DIR:-"$top/build"}
out="$build_dir/package"
try_install=0
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out=$2; shift 2 ;;
    --try-install) try_install=1; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

"$top/scripts/setup.sh"
"$top/scripts/build.sh" >/dev/null
mkdir -p "$out"
out=$(cd "$out" && pwd)
cpack --config "$build_dir/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
deb=$(ls -t "$out"/tralex_*.deb | head -n 1)

if command -v lintian >/dev/null; then
  # Errors fail the package; warnings are shown.
  lintian --fail-on error "$deb"
fi

if [ "$try_install" = 1 ]; then
  "$top/scripts/try_install.sh" "$deb"
fi
echo "$deb"
