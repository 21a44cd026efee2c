#!/usr/bin/env bash
# Builds everything and starts the installer under Wine.
#   scripts/demo.sh [installer.exe]     (default: build/win32/install.exe)
# With a display of your own (DISPLAY set, not CI) the installer opens there and the script waits for it.
# Otherwise it runs on a private Xvfb, a screenshot is kept in artifacts/demo/ after a few seconds, and the
# run is ended.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh </dev/null
bash scripts/build.sh

exe="${1:-$ROOT/build/win32/install.exe}"
if [ ! -f "$exe" ]; then
  echo "demo: $exe is not built yet" >&2
  exit 1
fi
out="$ROOT/artifacts/demo"
mkdir -p "$out"

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  echo "demo: starting $(basename "$exe") on $DISPLAY"
  MV_DISPLAY="$DISPLAY" exec bash scripts/wine-run.sh "$exe"
fi

# A private X server, so that the screenshot can be taken.
xpid=""; wpid=""
for n in $(seq 60 200); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xpid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  if kill -0 "$xpid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
  xpid=""
done
[ -n "$xpid" ] || { echo "demo: no X server could be started" >&2; exit 1; }
prefix="$(mktemp -d /tmp/mvdemo.XXXXXX)"
cleanup() {
  if [ -n "$wpid" ]; then
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    wait "$wpid" 2>/dev/null
  fi
  rm -rf "$prefix"
  kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null
  true
}
trap cleanup EXIT

echo "demo: starting $(basename "$exe") under Wine on $DISPLAY"
MV_DISPLAY="$DISPLAY" bash scripts/wine-run.sh --keep "$prefix" "$exe" &
wpid=$!
for _ in $(seq "${MV_DEMO_WAIT:-15}"); do
  sleep 1
  kill -0 "$wpid" 2>/dev/null || break
done
shot="$out/install-$(date +%Y%m%d-%H%M%S).png"
if import -display "$DISPLAY" -window root "$shot" 2>/dev/null; then
  echo "demo: screenshot $shot"
fi
if kill -0 "$wpid" 2>/dev/null; then
  echo "demo: the installer is still running; ending the demo run"
else
  rc=0; wait "$wpid" || rc=$?; wpid=""
  echo "demo: the installer ended with exit code $rc"
fi
