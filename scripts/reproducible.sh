#!/usr/bin/env bash
# Reproducible builds: builds the shipped Windows programs from a copy of the tracked sources in a
# folder of its own, and compares them byte for byte with those of build/win32 (scripts/build.sh); then
# packs the sample with each set and compares the installers. Also checks that no PE time stamp is set.
# Ends with "reproducible: OK" (exit 0) or names what differs (exit 1).
#   scripts/reproducible.sh [--keep]
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
WIN="${MV_WIN32_BUILD:-$ROOT/build/win32}"
MVPACK="${MV_NATIVE_BUILD:-$ROOT/build/native}/mvpack"
JOBS="${MV_JOBS:-2}"
PROGRAMS=(install.exe impborl.dll uninstall.exe flashax.exe mvpack.exe)
keep=0; [ "${1:-}" = --keep ] && keep=1

for f in "${PROGRAMS[@]}"; do
  [ -f "$WIN/$f" ] || { echo "reproducible: $WIN/$f is missing (run scripts/build.sh first)"; exit 1; }
done
[ -x "$MVPACK" ] || { echo "reproducible: $MVPACK is missing (run scripts/build.sh native first)"; exit 1; }

work="$(mktemp -d /tmp/mvrepro.XXXXXX)"
[ "$keep" = 1 ] || trap 'rm -rf "$work"' EXIT
# Another source folder and another build folder: paths must not reach the programs.
mkdir -p "$work/source"
(cd "$ROOT" && git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$work/source")
ln -s "$(readlink -f "$ROOT/.cache")" "$work/source/.cache"
cmake -S "$work/source" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DMV_SHIPPED_ONLY=ON \
  -DCMAKE_TOOLCHAIN_FILE="$work/source/cmake/mingw-i686-release.cmake" -DMV_CACHE="$(readlink -f "$ROOT/.cache")" \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; echo "reproducible: the second build did not configure"; exit 1; }
cmake --build "$work/build" -j"$JOBS" >"$work/build.log" 2>&1 \
  || { tail -30 "$work/build.log"; echo "reproducible: the second build failed"; exit 1; }

status=0
for f in "${PROGRAMS[@]}"; do
  if cmp -s "$WIN/$f" "$work/build/$f"; then
    echo "reproducible: $f identical ($(stat -c %s "$WIN/$f") bytes, sha256 $(sha256sum "$WIN/$f" | cut -c1-16))"
  else
    echo "reproducible: $f DIFFERS between $WIN and a second build"; status=1
  fi
  # The COFF header's TimeDateStamp: zero, not the time of the build.
  stamp="$(i686-w64-mingw32-objdump -p "$WIN/$f" | sed -n 's/^Time\/Date[[:space:]]*//p')"
  case "$stamp" in
    *1970*) ;;
    *) echo "reproducible: $f carries a time stamp: $stamp"; status=1 ;;
  esac
done

# The installers mvpack writes from each set of programs, and mvpack run twice on the same inputs.
pack() {  # out, programs folder
  "$MVPACK" build "$ROOT/samples/ocean-silent.manifest" -o "$1" -q --stub "$2/install.exe" --library "$2/impborl.dll" \
    --uninstaller "$2/uninstall.exe" --flash-installer "$2/flashax.exe"
}
pack "$work/a.exe" "$WIN" && pack "$work/b.exe" "$work/build" && pack "$work/c.exe" "$WIN" || status=1
if cmp -s "$work/a.exe" "$work/b.exe" && cmp -s "$work/a.exe" "$work/c.exe"; then
  echo "reproducible: the sample installer identical ($(stat -c %s "$work/a.exe") bytes)"
else
  echo "reproducible: the sample installer DIFFERS"; status=1
fi
[ "$status" = 0 ] && echo "reproducible: OK" || echo "reproducible: FAILED"
exit $status
