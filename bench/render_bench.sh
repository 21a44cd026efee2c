#!/usr/bin/env bash
# Movie renderer benchmark: the first frame of a 550 x 400 movie (about 2,000 edges, a gradient, a bitmap)
# drawn natively into 550 x 400 pixels, then a 640 x 480 text field of about 2,000 glyphs in a device font
# (FreeType); best and median milliseconds of repeated runs.
#   bench/render_bench.sh [seconds] [movie.swf]
# The program is the native tree's target render_bench (-O2, bench/CMakeLists.txt).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
. "$ROOT/bench/native_program.sh"
program="$(native_program render_bench)"
"$program" "$@"
