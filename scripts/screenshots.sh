#!/usr/bin/env bash
# Photographs every window of Tralex as a user sees it: starts a virtual X display (Xvfb) with the
# IPA fonts, shows each scene of tools/screenshots on Qt's xcb platform, and writes one PNG per scene.
#   scripts/screenshots.sh [OUTDIR]     (default ./screenshots)
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-./screenshots}

"$top/scripts/setup.sh"
"$top/scripts/build.sh"
tool="${TRALEX_BUILD_DIR:-$top/build}/bin/tralex_screenshots"

mkdir -p "$out"
out=$(cd "$out" && pwd)

# The first free display from :99 on.
display=
for n in 99 $(seq 100 199); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=$n
    break
  fi
done
if [ -z "$display" ]; then
  echo "no free X display between :99 and :199" >&2
  exit 1
fi

Xvfb ":$display" -screen 0 1280x1024x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap stop_xvfb EXIT

for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "Xvfb did not start on :$display" >&2
    exit 1
  fi
  sleep 0.1
done

export DISPLAY=":$display"
export QT_QPA_PLATFORM=xcb
# One device-independent pixel per screen pixel, whatever the calling desktop uses.
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI
export QT_AUTO_SCREEN_SCALE_FACTOR=0

mapfile -t scenes < <("$tool" --list)
failed=0
for scene in "${scenes[@]}"; do
  if ! "$tool" --out "$out" "$scene"; then
    echo "scene $scene failed" >&2
    failed=1
  fi
done
echo "${#scenes[@]} scenes photographed into $out"
exit "$failed"
