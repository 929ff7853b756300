#!/usr/bin/env bash
# The committed icons are exactly what resources/make_icon.py draws, so none is edited by hand: run it
# into a temporary folder and compare byte for byte. The SVG draws the same picture as the PNGs: rendered
# by librsvg at 48 and 256 pixels, it differs from the PNG of that size no more than edge smoothing makes
# it (RMSE under 3.3 %; leaving out only the microphone's highlight makes 3.9 %).
# Argument: source folder.
set -euo pipefail
source=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

python3 "$source/resources/make_icon.py" "$work" >/dev/null
diff -r "$work/icons" "$source/resources/icons" >&2 || fail "resources/icons differs from the generator's output"
cmp "$work/varnel.ico" "$source/resources/varnel.ico" || fail "resources/varnel.ico differs from the generator's output"
grep -q '"varnel.ico"' "$source/resources/varnel.rc" || fail "varnel.rc does not name varnel.ico"

for size in 48 256; do
  rsvg-convert -w $size -h $size "$source/resources/icons/hicolor/scalable/apps/varnel.svg" -o "$work/svg$size.png"
  # compare prints "absolute (normalised)" and exits 1 when the images differ at all.
  rmse=$(compare -metric RMSE "$source/resources/icons/hicolor/${size}x${size}/apps/varnel.png" "$work/svg$size.png" \
    null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p' || true)
  [ -n "$rmse" ] && awk -v e="$rmse" 'BEGIN { exit !(e < 0.033) }' ||
    fail "the SVG at $size px differs from the PNG by RMSE ${rmse:-?}"
  echo "SVG vs PNG at $size px: RMSE $rmse"
done
[ "$failures" = 0 ] || exit 1
echo "icons match their generator"
