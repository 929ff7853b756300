#!/usr/bin/env bash
# The committed icons are what resources/render_icons.sh renders from the SVG sources, so none is edited by
# hand: render them into a temporary folder and compare every picture pixel by pixel (a renderer of
# another version may round an edge pixel by a step, hence the 1 % fuzz). Argument: source folder.
set -euo pipefail
source=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

bash "$source/resources/render_icons.sh" "$work"
# compare prints the count of differing pixels; the ICO's one image is compared like the PNGs.
for file in $(cd "$work" && find . -type f -printf '%P\n' | sort); do
  differing=$(compare -fuzz 1% -metric AE "$work/$file" "$source/resources/$file" null: 2>&1 || true)
  [ "$differing" = 0 ] || fail "resources/$file differs from its rendering: $differing pixels"
done
[ "$(cd "$work/icons" && find . -type f | sort)" = "$(cd "$source/resources/icons" && find . -name '*.png' | sort)" ] ||
  fail "resources/icons holds other PNGs than the renderer writes"
file "$source/resources/varnel.ico" | grep -q 'icon resource - 1 icon, 48x48, 8 bits/pixel$' ||
  fail "varnel.ico is not one 48 x 48 image of 256 colours: $(file "$source/resources/varnel.ico")"
grep -q '"varnel.ico"' "$source/resources/varnel.rc" || fail "varnel.rc does not name varnel.ico"
[ "$failures" = 0 ] || exit 1
echo "icons match their SVG sources: $(cd "$work" && find . -type f | wc -l) files"
