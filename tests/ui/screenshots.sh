#!/usr/bin/env bash
# Screenshots of the installer window, with and without licence, showing a JPEG and a BMP picture:
# each variant runs under Wine on an Xvfb of its own and is taken from the X server with ImageMagick.
#   tests/ui/screenshots.sh [win32-build-dir] [output-dir]
# Defaults: build/win32 and artifacts/screenshots. Needs ui_demo.exe built in that folder.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
BUILD="${1:-$ROOT/build/win32}"
OUT="${2:-$ROOT/artifacts/screenshots}"
DEMO="$BUILD/tests/ui/ui_demo.exe"
[ -f "$DEMO" ] || { echo "missing $DEMO (build the ui_demo target)" >&2; exit 2; }
mkdir -p "$OUT"
work="$(mktemp -d /tmp/mvshots.XXXXXX)"
xpid=""
cleanup() {
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Pictures: 350 x 150, the size of the picture box.
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
picture() {  # colours text file
  local text=()
  [ -f "$font" ] && text=(-font "$font" -gravity center -pointsize 22 -fill white -annotate 0 "$2")
  convert -size 350x150 "gradient:$1" "${text[@]}" "$3"
}
picture '#1e3c72-#f0a030' 'Sunset Wallpaper (JPEG)' "$work/picture.jpg"
picture '#0a6030-#a0e0ff' 'Sunset Wallpaper (BMP)' "BMP3:$work/picture.BMP"

# No window manager runs on Xvfb: Wine draws the window frames itself when its windows are unmanaged.
"$ROOT/scripts/wine-run.sh" --keep "$work/prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
  >/dev/null 2>&1

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

shoot() {  # name variant picture [status]
  local name="$1" variant="$2" picture="$3"; shift 3
  local n
  for n in $(seq 60 250); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
  xpid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  rm -f "$work/ready" "$work/stop"
  MV_DISPLAY=":$n" "$ROOT/scripts/wine-run.sh" --keep "$work/prefix" "$DEMO" "$variant" "$(winpath "$work/$picture")" \
    "$(winpath "$work/ready")" "$(winpath "$work/stop")" "$@" &
  local wpid=$!
  for _ in $(seq 600); do [ -f "$work/ready" ] && break; sleep 0.1; done
  if [ ! -f "$work/ready" ]; then
    echo "$name: the window did not come up" >&2
  else
    sleep 0.5
    import -display ":$n" -window root "$OUT/$name.png"
    echo "$name.png ($(cat "$work/ready"))"
  fi
  touch "$work/stop"
  wait "$wpid" || true
  kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null || true
  xpid=""
}

shoot plain-jpeg plain picture.jpg
shoot plain-bmp plain picture.BMP
shoot licence-jpeg licence picture.jpg
shoot licence-bmp licence picture.BMP
shoot licence-jpeg-installing licence picture.jpg status
