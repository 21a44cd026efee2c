#!/usr/bin/env bash
# Movie renderer benchmark: the first frame of a 550 x 400 movie (about 2,000 edges, a gradient, a bitmap)
# drawn natively into 550 x 400 pixels, then a 640 x 480 text field of about 2,000 glyphs in a device font
# (FreeType); best and median milliseconds of repeated runs.
#   bench/render_bench.sh [seconds] [movie.swf]
# Built with g++ -O2 from the renderer's sources, like the other benchmarks here.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/build/bench-render"
mkdir -p "$OUT"
g++ -std=c++17 -O2 -I"$ROOT/src" -I"$ROOT/tests/flash" -I/usr/include/freetype2 "$ROOT/bench/render_bench.cpp" \
  "$ROOT"/src/flash/render/*.cpp "$ROOT"/src/swf/*.cpp -lz -ljpeg -lfreetype -o "$OUT/render_bench"
"$OUT/render_bench" "$@"
