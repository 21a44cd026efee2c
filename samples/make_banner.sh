#!/usr/bin/env bash
# Draws the sample installer banner (350x150 JPEG) with ImageMagick: a sea gradient, a sun, a wave
# and the title. The committed samples/banner.jpg was made by this script.
#   samples/make_banner.sh [OUTPUT]
set -euo pipefail
out="${1:-$(dirname "$0")/banner.jpg}"
CONVERT=/usr/bin/convert   # the real ImageMagick, not a stand-in earlier on PATH
[ -x "$CONVERT" ] || { echo "make_banner: ImageMagick's convert is missing (apt-get install imagemagick)" >&2; exit 1; }
font=()
if "$CONVERT" -list font 2>/dev/null | grep -q "Font: DejaVu-Sans-Bold$"; then font=(-font DejaVu-Sans-Bold); fi
"$CONVERT" -size 350x150 gradient:'#1d6fa5-#0b2a4a' \
  -fill '#ffd24a' -draw 'circle 285,48 285,72' \
  -fill '#2c86b5' -draw 'path "M 0,112 Q 44,92 88,112 T 175,112 T 262,112 T 350,112 L 350,150 L 0,150 Z"' \
  -fill '#d8f1ff' -draw 'circle 214,100 214,105' -draw 'circle 226,86 226,90' -draw 'circle 240,76 240,79' \
  "${font[@]}" -pointsize 30 -fill white -annotate +24+48 'Ocean Breeze' \
  -pointsize 13 -fill '#d8f1ff' -annotate +26+70 'an animated desktop' \
  -strip -quality 85 "$out"
echo "$out: $(stat -c %s "$out") bytes"
