#!/usr/bin/env bash
# Speed beside NSIS under Wine: the silent install and the time to the first visible window, ours and
# NSIS (Debian's makensis) on the same payload written to the same folders.
#
#   bench/nsis_compare.sh [ROUNDS] [CONTENT]   (default 9 rounds; CONTENT: a folder to pack instead of
#                                               the generated 16-file, ~3.67 MB payload)
#
# Installers, all of CONTENT + the page + the Flash Player installer stand-in, to the same folders
# ($WINDIR\Web\Wallpaper\<title> dir, the page beside it, flashax.exe in $WINDIR), with an uninstaller
# and an uninstall entry:
#   ours, silent          presentation silent: installs at once, no window
#   NSIS zlib             SetCompressor zlib         (every file compressed on its own, not solid)
#   NSIS zlib /SOLID      SetCompressor /SOLID zlib  (one stream over all files)
#   NSIS lzma             SetCompressor lzma         (not solid)
#   NSIS lzma /SOLID      SetCompressor /SOLID lzma
#   ours, window          the sample's presentation: its movie (drawn without a Flash Player) and licence
#   NSIS, window          one licence page (zlib, not solid) with the same licence text
# Silent: wall time of the whole process, start to exit. Window: from the start until the first named
# top-level window is mapped on the X display (bench/first_window.c), then the process is ended.
#
# One Wine prefix, one X server and one wineserver for the whole run (`wineserver -p`, with a waiting
# process of our own keeping the Wine desktop up), so that Wine's own start-up is paid once, not per
# measurement; the installers run interleaved, round by round, and the installed files and the TEMP
# folder are removed between runs. Prints every installer's median and the ratios ours / NSIS.
#
# Needs build/native/mvpack, build/win32/{install.exe,impborl.dll,uninstall.exe,flashax.exe}
# (MV_NATIVE_BUILD / MV_WIN32_BUILD name other folders: MV_WIN32_BUILD may be any folder holding those four
# files, to measure another build), makensis, Xvfb (unless MV_DISPLAY names a display), a C compiler with
# the X11 headers and i686-w64-mingw32-gcc.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
ROUNDS="${1:-9}"
NATIVE="${MV_NATIVE_BUILD:-$ROOT/build/native}"; WIN="${MV_WIN32_BUILD:-$ROOT/build/win32}"
MVPACK="$NATIVE/mvpack"
WORK="$ROOT/build/bench-nsis"
TITLE="Ocean Breeze"
for f in "$MVPACK" "$WIN/install.exe" "$WIN/impborl.dll" "$WIN/uninstall.exe" "$WIN/flashax.exe"; do
  [ -f "$f" ] || { echo "nsis_compare: $f is missing (scripts/build.sh)" >&2; exit 1; }
done
command -v makensis >/dev/null || { echo "nsis_compare: makensis is missing (apt-get install nsis)" >&2; exit 1; }
mkdir -p "$WORK"

# --- the payload: by default 16 files, ~3.67 MB (text, program-like and mixed data, and the sample's files)
if [ -n "${2:-}" ]; then
  CONTENT="$(readlink -f "$2")"
else
  CONTENT="$WORK/content"
  if [ ! -f "$CONTENT/.complete" ]; then
    rm -rf "$CONTENT"; mkdir -p "$CONTENT"
    cp "$ROOT/samples/content/"* "$CONTENT/"
    python3 - "$ROOT/bench" "$CONTENT" <<'PY'
import os, sys
sys.path.insert(0, sys.argv[1])
import make_corpus as c
out = sys.argv[2]
pieces = [("notes%d.txt" % i, c.text(288000, 10 + i)) for i in range(6)]
pieces += [("module%d.bin" % i, c.binary(250000, 20 + i)) for i in range(6)]
pieces += [("mixed%d.dat" % i, c.mixed(217000, 30 + i)) for i in range(2)]
for name, data in pieces:
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
PY
    touch "$CONTENT/.complete"
  fi
fi
# Apparent sizes of the files themselves (a folder's own 4,096 bytes are not payload).
payload=$(find "$CONTENT" -type f ! -name .complete -printf '%s\n' | awk '{ s += $1 } END { print s }')
files=$(find "$CONTENT" -type f ! -name .complete | wc -l)

# --- our installers
pack() {  # presentation lines, output
  local src="$WORK/src"
  rm -rf "$src"; mkdir -p "$src/content"
  cp "$ROOT/samples/page.html" "$ROOT/samples/intro.swf" "$ROOT/samples/licence.txt" "$src/"
  (cd "$CONTENT" && find . -type f ! -name .complete -exec cp --parents {} "$src/content/" \;)
  { echo "title = $TITLE"; echo "background = 11 42 74"; echo "html = page.html"; echo "content = content"
    [ -f "$src/content/ocean.swf" ] && echo "main = ocean.swf"
    printf '%s\n' "$1"; } > "$src/package.manifest"
  "$MVPACK" build "$src/package.manifest" -o "$2" -q --stub "$WIN/install.exe" --library "$WIN/impborl.dll" \
    --uninstaller "$WIN/uninstall.exe" --flash-installer "$WIN/flashax.exe"
}
pack "presentation = silent" "$WORK/ours-silent.exe"
pack "presentation = movie intro.swf
licence = licence.txt
flags = license" "$WORK/ours-window.exe"

# --- the NSIS installers
nsis() {  # output, SetCompressor arguments, silent (1) or one licence page (0)
  local script="$WORK/setup.nsi" pages="SilentInstall silent"
  [ "$3" = 0 ] && pages="LicenseData \"$ROOT/samples/licence.txt\"
Page license"
  cat > "$script" <<NSI
Unicode false
SetCompressor $2
Name "$TITLE"
OutFile "$1"
RequestExecutionLevel admin
$pages
Section
  SetOutPath "\$WINDIR\\Web\\Wallpaper\\$TITLE dir"
  File /r /x .complete "$CONTENT/*"
  SetOutPath "\$WINDIR\\Web\\Wallpaper"
  File "/oname=$TITLE.html" "$ROOT/samples/page.html"
  SetOutPath "\$WINDIR"
  File "$WIN/flashax.exe"
  WriteUninstaller "\$WINDIR\\Web\\Wallpaper\\$TITLE dir\\uninstall.exe"
  WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$TITLE" DisplayName "$TITLE Wallpaper"
  WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$TITLE" UninstallString "\$WINDIR\\Web\\Wallpaper\\$TITLE dir\\uninstall.exe"
SectionEnd
Section Uninstall
  RMDir /r "\$WINDIR\\Web\\Wallpaper\\$TITLE dir"
  Delete "\$WINDIR\\Web\\Wallpaper\\$TITLE.html"
  DeleteRegKey HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$TITLE"
SectionEnd
NSI
  makensis -V1 "$script" >/dev/null
}
nsis "$WORK/nsis-zlib.exe" "zlib" 1
nsis "$WORK/nsis-zlib-solid.exe" "/SOLID zlib" 1
nsis "$WORK/nsis-lzma.exe" "lzma" 1
nsis "$WORK/nsis-lzma-solid.exe" "/SOLID lzma" 1
nsis "$WORK/nsis-window.exe" "zlib" 0

# --- helpers: the first-window probe and the process that keeps the Wine desktop up
cc -O2 -o "$WORK/first_window" "$ROOT/bench/first_window.c" -lX11
printf '#include <windows.h>\nint WINAPI WinMain(HINSTANCE a, HINSTANCE b, LPSTR c, int d) { Sleep(INFINITE); return 0; }\n' \
  > "$WORK/keeper.c"
i686-w64-mingw32-gcc -O2 -mwindows -o "$WORK/keeper.exe" "$WORK/keeper.c"

# --- one Wine prefix, display and wineserver for the whole run
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
template="${MV_CACHE:-$ROOT/.cache}/wine-template"
[ -f "$template/.ready" ] || bash "$ROOT/scripts/wine-run.sh" "$WORK/keeper.exe" --version >/dev/null 2>&1 || true
[ -f "$template/.ready" ] || { echo "nsis_compare: no Wine template prefix in $template" >&2; exit 1; }
export WINEPREFIX="$WORK/prefix"
rm -rf "$WINEPREFIX"; cp -a "$template/." "$WINEPREFIX/"
WINE=/usr/lib/wine/wine; [ -x "$WINE" ] || WINE=wine

xpid=""; keeper=""
if [ -n "${MV_DISPLAY:-}" ]; then
  export DISPLAY="$MV_DISPLAY"
else
  for n in $(seq 60 200); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xpid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xpid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xpid=""
  done
  [ -n "$xpid" ] || { echo "nsis_compare: no X display" >&2; exit 1; }
fi
stop() {
  set +e
  if [ -n "$keeper" ]; then kill "$keeper" 2>/dev/null; wait "$keeper" 2>/dev/null; fi
  wineserver -k >/dev/null 2>&1
  if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null; fi
  return 0
}
trap stop EXIT
wineserver -p
"$WINE" "$WORK/keeper.exe" >/dev/null 2>&1 &
keeper=$!
sleep 2

windir="$WINEPREFIX/drive_c/windows"
clean() {
  rm -rf "$windir/Web/Wallpaper/$TITLE dir" "$windir/Web/Wallpaper/$TITLE.html" "$windir/flashax.exe" \
         "$windir/impborl.dll"
  find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -iname temp -exec sh -c 'rm -rf "$1"/* "$1"/.[!.]*' _ {} \; 2>/dev/null
  true
}
installed() { [ -f "$windir/Web/Wallpaper/$TITLE dir/notes0.txt" ] || [ -f "$windir/Web/Wallpaper/$TITLE dir/ocean.swf" ]; }

silent_ms() {  # installer -> milliseconds, start to exit
  local t0 t1
  t0=$EPOCHREALTIME
  "$WINE" "$1" >/dev/null 2>&1 || true
  t1=$EPOCHREALTIME
  installed || { echo "nsis_compare: $(basename "$1") installed nothing" >&2; exit 1; }
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", (b - a) * 1000 }'
}
window_ms() {  # installer -> milliseconds until its first window shows
  "$WORK/first_window" 30000 "$WINE" "$1" 2>>"$WORK/windows.log" || { echo "nsis_compare: no window of $(basename "$1")" >&2; exit 1; }
}

: > "$WORK/windows.log"  # which window counted, run by run
silent=(ours-silent nsis-zlib nsis-zlib-solid nsis-lzma nsis-lzma-solid)
window=(ours-window nsis-window)
declare -A results
echo "nsis_compare: $files files, $payload bytes of content; $ROUNDS rounds (one warm-up round first)"
for round in $(seq 0 "$ROUNDS"); do
  for name in "${silent[@]}"; do
    clean; ms=$(silent_ms "$WORK/$name.exe")
    [ "$round" -gt 0 ] && results[$name]+="$ms "
  done
  for name in "${window[@]}"; do
    clean; ms=$(window_ms "$WORK/$name.exe")
    [ "$round" -gt 0 ] && results[$name]+="$ms "
    sleep 0.3  # the ended process is gone before the next starts
  done
  [ "$round" -gt 0 ] && printf '  round %d done\n' "$round" >&2
done
clean

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
range() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%s-%s", lo, hi }'; }
size() { stat -c %s "$1"; }
echo
printf '%-18s %12s %10s %16s\n' installer "size bytes" "median ms" "min-max ms"
for name in "${silent[@]}" "${window[@]}"; do
  printf '%-18s %12s %10.1f %16s\n' "$name" "$(size "$WORK/$name.exe")" "$(median "${results[$name]}")" "$(range "${results[$name]}")"
done
# Two ratios: of the medians, and the median of the ratios round by round (the two runs of a round meet the
# same load, so the second moves less with the machine's).
ratio() {
  local a b
  a=$(median "${results[$1]}"); b=$(median "${results[$2]}")
  local pairs
  pairs=$(paste <(tr ' ' '\n' <<<"${results[$1]}" | grep .) <(tr ' ' '\n' <<<"${results[$2]}" | grep .) |
          awk '{ printf "%s ", $1 / $2 }')
  awk -v a="$a" -v b="$b" -v p="$(median "$pairs")" 'BEGIN { printf "%.2fx (round by round %.2fx)", a / b, p }'
}
echo
echo "silent install, ours / NSIS:"
echo "  zlib $(ratio ours-silent nsis-zlib)   zlib /SOLID $(ratio ours-silent nsis-zlib-solid)"
echo "  lzma $(ratio ours-silent nsis-lzma)   lzma /SOLID $(ratio ours-silent nsis-lzma-solid)"
echo "first visible window, ours / NSIS (one licence page): $(ratio ours-window nsis-window)"
