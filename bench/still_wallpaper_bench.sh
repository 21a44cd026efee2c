#!/usr/bin/env bash
# Still wallpaper benchmark: a movie's first frame drawn as the installer draws it for screens of 1920 x 1080,
# 3840 x 2160, 5120 x 1440 and 7680 x 4320 and written as a 24-bit BMP; best and median milliseconds, the
# size drawn and the growth of the memory peak.
#   bench/still_wallpaper_bench.sh [seconds] [WIDTHxHEIGHT ...] [built | movie.swf ...]
# The program is the native tree's target still_wallpaper_bench (-O2, bench/CMakeLists.txt).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$ROOT/bench/native_program.sh"
program="$(native_program still_wallpaper_bench)"
"$program" "$@"
