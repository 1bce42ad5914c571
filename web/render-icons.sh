#!/usr/bin/env bash
# Renders the page's app icons (web/site/icons/) from the desktop program's
# app/resources/icon.svg: 192 and 512 px as they are, and a 512-px "maskable"
# one whose drawing sits inside the middle 80 % (the circle a phone's launcher
# may cut it to) on the icon's own dark blue. Run after changing the SVG, and
# commit the results (needs librsvg2-bin and imagemagick).
set -euo pipefail
cd "$(dirname "$0")"
svg=../app/resources/icon.svg
out=site/icons
for size in 192 512; do
  rsvg-convert -w "$size" -h "$size" "$svg" -o "$out/icon-$size.png"
done
rsvg-convert -w 384 -h 384 "$svg" | convert -size 512x512 xc:'#0B2A4A' - -gravity center -composite \
  -strip "PNG8:$out/icon-maskable-512.png"
for file in "$out"/icon-192.png "$out"/icon-512.png; do
  convert "$file" -strip "$file"
done
