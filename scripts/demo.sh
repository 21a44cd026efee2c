#!/usr/bin/env bash
# The whole story in one command, on a fresh machine:
#   1. sets the machine up (scripts/setup.sh) and builds both trees (scripts/build.sh);
#   2. packs the sample desktop (samples/ocean.manifest) into build/demo/ocean-setup.exe with mvpack,
#      then verifies and lists it;
#   3. runs that installer under Wine in a prefix of its own, on $DISPLAY when there is one (not in CI),
#      else on a private Xvfb; the e2e driver (tests/e2e) presses "Accept and Install" and answers the
#      closing question, while this script saves screenshots of the installer window before, during
#      and after the installation (artifacts/demo/*.png);
#   4. prints the files the installation wrote and the registry values it set.
#
#   scripts/demo.sh [--no-build] [--keep]
#     --no-build  use what build/ holds (skip set-up and build)
#     --keep      keep the Wine prefix (its path is printed) to look around afterwards
#   MV_NATIVE_BUILD / MV_WIN32_BUILD name other build folders than build/native and build/win32.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
build=1; keep=0
for a in "$@"; do
  case "$a" in
    --no-build) build=0 ;;
    --keep) keep=1 ;;
    *) echo "usage: scripts/demo.sh [--no-build] [--keep]" >&2; exit 2 ;;
  esac
done

if [ "$build" = 1 ]; then
  bash scripts/setup.sh </dev/null
  bash scripts/build.sh || echo "demo: some targets did not build; going on with what was built" >&2
fi

NATIVE="${MV_NATIVE_BUILD:-$ROOT/build/native}"; WIN="${MV_WIN32_BUILD:-$ROOT/build/win32}"
MVPACK="$NATIVE/mvpack"
DRIVER="$WIN/tests/e2e/e2e_driver.exe"
for f in "$MVPACK" "$WIN/install.exe" "$WIN/impborl.dll" "$WIN/uninstall.exe" "$WIN/flashax.exe" "$DRIVER"; do
  [ -f "$f" ] || { echo "demo: $f is missing: the build did not make it (see scripts/build.sh)" >&2; exit 1; }
done
CONVERT=/usr/bin/import   # ImageMagick's screenshot tool

# --- pack
mkdir -p build/demo
setup="$ROOT/build/demo/ocean-setup.exe"
echo "== mvpack build samples/ocean.manifest"
"$MVPACK" build samples/ocean.manifest -o "$setup" --stub "$WIN/install.exe" --library "$WIN/impborl.dll" \
  --uninstaller "$WIN/uninstall.exe" --flash-installer "$WIN/flashax.exe"
echo "== mvpack verify"
"$MVPACK" verify --quiet "$setup"
echo "== mvpack list"
"$MVPACK" list "$setup"

# --- display: the user's own, else a private Xvfb
out="$ROOT/artifacts/demo"
mkdir -p "$out"
rm -f "$out"/*.png
xpid=""; prefix=""
cleanup() {
  if [ -n "$prefix" ]; then
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    if [ "$keep" = 0 ]; then rm -rf "$prefix"; else echo "demo: Wine prefix kept in $prefix"; fi
  fi
  if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null; fi
  true
}
trap cleanup EXIT
if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  echo "== running the installer on your display $DISPLAY"
else
  for n in $(seq 60 200); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
    xpid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xpid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xpid=""
  done
  [ -n "$xpid" ] || { echo "demo: no X server could be started" >&2; exit 1; }
  echo "== running the installer on a private X server $DISPLAY"
fi
prefix="$(mktemp -d /tmp/mvdemo.XXXXXX)"
rmdir "$prefix"  # wine-run.sh fills it from its template

# --- install: the driver presses the buttons and says when to take a screenshot
title="Ocean Breeze"
winpath() { echo "Z:$(readlink -f "$1" | sed 's|/|\\|g')"; }
script="$ROOT/build/demo/demo-script.txt"
cat >"$script" <<EOF
start I $(winpath "$setup")
wait-window W "Install Wallpaper: $title" 90000 I
sleep 1500
print SHOT-before
sleep 1500
press W "Accept and Install"
record W "Writing Moviva files..." 60000
sleep 800
print SHOT-during
sleep 1500
record W "Moviva Installation and Setup Complete." 120000
wait-box Q "Installation Successful." 60000
sleep 1000
print SHOT-after
sleep 1500
press Q No
wait-exit I 60000
expect-exit I 0
EOF

shot() {  # name: the installer window (by its X window), and on a private server the whole screen
  local id="" best=0 w h
  # Wine keeps more than one X window under that name; the installer window is the largest visible one.
  for cand in $(xdotool search --onlyvisible --name "^Install Wallpaper: $title\$" 2>/dev/null || true); do
    eval "$(xdotool getwindowgeometry --shell "$cand" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')" || continue
    w="${WIDTH:-0}"; h="${HEIGHT:-0}"
    if [ $((w * h)) -gt "$best" ]; then best=$((w * h)); id="$cand"; fi
  done
  if [ -n "$id" ] && "$CONVERT" -display "$DISPLAY" -window "$id" "$out/$1.png" 2>/dev/null; then
    echo "demo: screenshot artifacts/demo/$1.png"
  fi
  if [ -n "$xpid" ] && "$CONVERT" -display "$DISPLAY" -window root "$out/$1-screen.png" 2>/dev/null; then
    echo "demo: screenshot artifacts/demo/$1-screen.png"
  fi
}

rc=0
MV_DISPLAY="$DISPLAY" timeout 600 bash scripts/wine-run.sh --keep "$prefix" "$DRIVER" "$(winpath "$script")" 2>&1 |
  while IFS= read -r line; do
    line="${line%$'\r'}"
    case "$line" in
      "SHOT-"*) shot "${line#SHOT-}" ;;
      *) echo "   $line" ;;
    esac
  done || rc=$?
status=$rc

# --- what the installation left
windows="$prefix/drive_c/windows"
echo "== installed files"
if [ -d "$windows/Web/Wallpaper" ]; then
  (cd "$windows" && find "Web/Wallpaper" -type f -printf '   C:\\windows\\%p  %s bytes\n' | sed 's|/|\\|g' | sort)
fi
for f in impborl.dll flashax.exe; do
  [ -f "$windows/$f" ] && printf '   C:\\windows\\%s  %s bytes\n' "$f" "$(stat -c %s "$windows/$f")"
done
echo "== registry"
reg() {
  WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all wine reg query "$1" /v "$2" 2>/dev/null |
    tr -d '\r' | awk -v k="$1" -v v="$2" 'tolower($1) == tolower(v) && $2 ~ /^REG_/ { $1 = ""; $2 = ""; sub(/^ +/, ""); print "   " k " " v " = " $0; found = 1 }
      END { if (!found) print "   " k " " v ": not set" }' || true
}
reg "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$title" DisplayName
reg "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$title" UninstallString
reg "HKCU\\Software\\Microsoft\\Internet Explorer\\Desktop\\General" Wallpaper
reg "HKCU\\Control Panel\\Colors" Background
WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true

if [ "$status" = 0 ]; then
  echo "demo: installed; screenshots in artifacts/demo/"
else
  echo "demo: the installation did not run to its end (driver exit $status); see the lines above" >&2
  exit 1
fi
