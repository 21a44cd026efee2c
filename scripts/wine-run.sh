#!/usr/bin/env bash
# Runs one Windows program under Wine in a prefix of its own, then stops that prefix's wineserver.
#   wine-run.sh [--gui] [--keep DIR] program.exe [args...]
# --gui   start a private Xvfb for the run (unless MV_DISPLAY names one to use)
# --keep  use DIR as the prefix and keep it afterwards (for tests that read the registry back)
# The template prefix (32-bit, initialised once) lives in $MV_CACHE/wine-template.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
CACHE="${MV_CACHE:-$ROOT/.cache}"
gui=0; keep=""
while [ $# -gt 0 ]; do
  case "$1" in
    --gui) gui=1; shift ;;
    --keep) keep="$2"; shift 2 ;;
    *) break ;;
  esac
done
exe="$1"; shift

export WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
template="$CACHE/wine-template"
if [ ! -f "$template/.ready" ]; then
  mkdir -p "$CACHE"
  exec 9>"$CACHE/wine-template.lock"
  flock 9
  if [ ! -f "$template/.ready" ]; then
    rm -rf "$template"
    WINEPREFIX="$template" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$template" wineserver -w
    touch "$template/.ready"
  fi
  flock -u 9
fi

if [ -n "$keep" ]; then
  prefix="$keep"
  [ -f "$prefix/system.reg" ] || { mkdir -p "$prefix"; cp -a "$template/." "$prefix/"; }
else
  prefix="$(mktemp -d /tmp/mvwine.XXXXXX)"
  cp -a "$template/." "$prefix/"
fi
export WINEPREFIX="$prefix"

xpid=""
if [ "$gui" = 1 ] && [ -z "${MV_DISPLAY:-}" ]; then
  for n in $(seq 50 200); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xpid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xpid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xpid=""
  done
elif [ -n "${MV_DISPLAY:-}" ]; then
  export DISPLAY="$MV_DISPLAY"
fi

cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  [ -z "$keep" ] && rm -rf "$prefix"
}
trap cleanup EXIT
wine "$exe" "$@"
rc=$?
exit $rc
