#!/usr/bin/env bash
# Renders Varnel's icons from their SVG sources: the hicolor PNGs with rsvg-convert (16 and 24 px from
# varnel-small.svg, 32 px and up from the scalable icon) and, with ImageMagick, the Windows program icon
# varnel.ico (one 48 x 48 image with a palette of at most 256 colours). Run it after changing a picture
# and commit what it writes; a test checks that the committed files are its output.
# Argument: the folder to write into (default: this one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
large=$here/icons/hicolor/scalable/apps/varnel.svg
small=$here/varnel-small.svg

for size in 16 24 32 48 64 128 256; do
  source=$large
  [ "$size" -lt 32 ] && source=$small
  mkdir -p "$out/icons/hicolor/${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" "$source" -o "$out/icons/hicolor/${size}x${size}/apps/varnel.png"
done
convert "$out/icons/hicolor/48x48/apps/varnel.png" -colors 256 -type Palette "$out/varnel.ico"
