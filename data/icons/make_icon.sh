#!/usr/bin/env bash
# Draws the program icon, data/icons/tralex.png (256 x 256): a rounded blue square with a white
# "置" (the first character of 置換, replace) above a small arrow. Needs ImageMagick and the IPA
# Gothic font (both in scripts/packages.txt). The PNG is committed; run this only to change it.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
font=$(fc-match -f '%{file}' 'IPAGothic')
convert -size 256x256 xc:none \
  -fill '#1f5fbf' -draw 'roundrectangle 8,8 247,247 44,44' \
  -fill '#3f7fdf' -draw 'roundrectangle 8,8 247,128 44,44' \
  -fill '#1f5fbf' -draw 'rectangle 8,100 247,140' \
  -font "$font" -pointsize 150 -fill white -stroke white -strokewidth 5 \
  -gravity center -annotate +0-22 '置' \
  -stroke none -gravity northwest \
  -draw 'rectangle 64,204 172,218' -draw 'polygon 168,192 200,211 168,230' \
  -depth 8 -strip "$here/tralex.png"
