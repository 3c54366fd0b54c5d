#!/usr/bin/env bash
# Draws the pictures of the ten command buttons (the main window's eight, the editor's refresh and
# close-now buttons) as icons of 16, 24, 32 and 48 pixels: res/buttons/<name>.ico.
#
#   bash scripts/make-pictures.sh
#
# One style for all: a round badge in the command's colour with a white glyph, drawn as vectors on
# a 48-unit square and rendered at each size (no size is a stretched copy of another). The icons
# are committed; run this again after changing a glyph (needs ImageMagick's `convert`).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
out=res/buttons
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# badge <fill> <edge>: the round badge every picture stands on.
badge() { echo "stroke '$2' stroke-width 2 fill '$1' circle 24,24 24,2.5"; }
# The glyph's pen: white, round ends.
pen() { echo "stroke white stroke-width ${1:-5} stroke-linecap round stroke-linejoin round fill none"; }

# The gear's outline: eight teeth around the centre.
gear() {
  awk 'BEGIN {
    pi = atan2(0, -1); cx = 24; cy = 24; outer = 15; inner = 11; n = 8; s = "polygon";
    for (i = 0; i < n; i++) {
      a = 2 * pi * i / n;
      for (k = 0; k < 4; k++) {
        # a tooth: two points on the outer circle, then two on the inner one
        d = (k == 0 ? -0.17 : k == 1 ? 0.17 : k == 2 ? 0.30 : 0.62) * pi / n * 2;
        r = (k < 2 ? outer : inner);
        s = s sprintf(" %.2f,%.2f", cx + r * cos(a + d), cy + r * sin(a + d));
      }
    }
    print s
  }'
}

declare -A glyph
glyph[add]="$(badge '#2e9d4a' '#1d6b31') $(pen 5.5) line 14,24 34,24 line 24,14 24,34"
glyph[delete]="$(badge '#e0862a' '#9c5714') $(pen 5.5) line 14,24 34,24"
glyph[removeall]="$(badge '#c8372d' '#86221b') $(pen 3.5) line 14,16 34,16 polyline 20,15.5 21,12 27,12 28,15.5
  stroke none fill white polygon 16.5,19 31.5,19 29.5,36 18.5,36
  fill '#c8372d' rectangle 21.2,22 22.8,33 rectangle 25.2,22 26.8,33"
glyph[save]="$(badge '#2f6fc4' '#1d4a87') $(pen 4.5) line 24,11 24,28 polyline 17,21.5 24,28.5 31,21.5 line 14,35 34,35"
glyph[load]="$(badge '#3a8fd8' '#21609a') $(pen 4.5) line 24,29 24,12 polyline 17,18.5 24,11.5 31,18.5 line 14,35 34,35"
glyph[setting]="$(badge '#6b7480' '#434a53') stroke none fill white $(gear) fill '#6b7480' circle 24,24 24,28.5"
glyph[help]="$(badge '#7b4fc4' '#523188') $(pen 5) path 'M 17.5,18.5 A 6.8,6.8 0 1 1 27.5,24.2 Q 24,26 24,29.5'
  stroke none fill white circle 24,36 24,38.9"
glyph[exit]="$(badge '#b3262b' '#761418') $(pen 4.5) path 'M 17.3,16.2 A 11,11 0 1 0 30.7,16.2' line 24,11 24,24"
glyph[refresh]="$(badge '#1f9a8a' '#13665b') $(pen 4.5) path 'M 32.7,19 A 10,10 0 1 0 33.4,27.4'
  stroke none fill white polygon 36.5,13.8 37.2,23.6 27.6,21.4"
glyph[closenow]="$(badge '#d2342c' '#8c1f19') $(pen 5.5) line 16.5,16.5 31.5,31.5 line 31.5,16.5 16.5,31.5"

for name in "${!glyph[@]}"; do
  sizes=()
  for n in 16 24 32 48; do
    s=$(awk -v n="$n" 'BEGIN { printf "%.5f", n / 48 }')
    convert -size "${n}x${n}" xc:none -draw "scale $s,$s ${glyph[$name]}" "png32:$tmp/$name-$n.png"
    sizes+=("$tmp/$name-$n.png")
  done
  convert "${sizes[@]}" "$out/$name.ico"
  echo "$out/$name.ico"
done
