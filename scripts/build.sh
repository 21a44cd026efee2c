#!/usr/bin/env bash
# Configures and builds both trees: build/native (host compiler: the portable core, the packaging tool,
# native tests) and build/win32 (mingw-w64 i686: install.exe, impborl.dll, the Win32 tests).
#   scripts/build.sh [native|win32]...   (default: both)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
JOBS="${MV_JOBS:-$(nproc)}"
# A target that fails to build does not stop the others (ninja -k 0); the exit code still says so.
status=0
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(native win32)

for t in "${targets[@]}"; do
  case "$t" in
    native)
      cmake -S "$ROOT" -B "$ROOT/build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || { status=1; continue; }
      cmake --build "$ROOT/build/native" -j"$JOBS" -- -k 0 || status=1
      ;;
    win32)
      cmake -S "$ROOT" -B "$ROOT/build/win32" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null || { status=1; continue; }
      cmake --build "$ROOT/build/win32" -j"$JOBS" -- -k 0 || status=1
      ;;
    *) echo "build.sh: unknown tree '$t' (native or win32)" >&2; exit 2 ;;
  esac
done
exit $status
