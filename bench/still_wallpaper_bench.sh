#!/usr/bin/env bash
# Still wallpaper benchmark: a movie's first frame drawn as the installer draws it for screens of 1920 x 1080,
# 3840 x 2160, 5120 x 1440 and 7680 x 4320 and written as a 24-bit BMP; best and median milliseconds, the
# size drawn and the growth of the memory peak.
#   bench/still_wallpaper_bench.sh [seconds] [WIDTHxHEIGHT ...] [built | movie.swf ...]
# Built with g++ -O2 from the sources, like the other benchmarks here.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/build/bench-still"
mkdir -p "$OUT"
g++ -std=c++17 -O2 -DMV_SOURCE_DIR="\"$ROOT\"" -I"$ROOT/src" -I"$ROOT/tests" -I"$ROOT/tests/flash" \
  -I/usr/include/freetype2 "$ROOT/bench/still_wallpaper_bench.cpp" "$ROOT"/src/flash/render/*.cpp \
  "$ROOT"/src/swf/*.cpp "$ROOT"/src/desktop/still_*.cpp \
  "$ROOT"/src/desktop/uninstall.cpp "$ROOT"/src/desktop/system_helpers.cpp \
  "$ROOT"/tests/platform/host/*.cpp "$ROOT"/src/platform/*.cpp "$ROOT"/src/support/*.cpp \
  -lz -ljpeg -lfreetype -ldl -o "$OUT/still_wallpaper_bench"
"$OUT/still_wallpaper_bench" "$@"
