#!/usr/bin/env bash
# Renders the menu icons of the Debian package (48, 128 and 256 px) from
# app/resources/icon.svg; 32 px is the program's own icon.png. Run after
# changing the SVG, and commit the results (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" ../../app/resources/icon.svg -o "icons/k5-iap-tool-$size.png"
done
