#!/usr/bin/env bash
# Size benchmark: what every user downloads.
#   - the shipped programs (install.exe, impborl.dll, uninstall.exe; mvpack.exe for reference) against
#     their limits;
#   - the sample content packed with a silent presentation (samples/ocean-silent.manifest) and as the
#     sample installer (samples/ocean.manifest: its movie and licence);
#   - where makensis is installed (Debian's nsis), NSIS installers of the same payload beside ours:
#     the same files, silent, written to the same folders, with an uninstaller and an uninstall entry;
#     zlib and lzma, each with every file compressed on its own and /SOLID (one stream over all files);
#     the fixed overhead measured as an installer of the same script without the payload.
#
#   bench/size_bench.sh [CONTENT]   (CONTENT: a folder to pack instead of samples/content; the sample's
#                                    320 KiB limit on the silent installer applies to the sample alone)
#
# Needs build/native/mvpack and build/win32 (scripts/build.sh; MV_NATIVE_BUILD / MV_WIN32_BUILD name
# other folders). Prints one table; exits 1 when a shipped program is over its limit.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
NATIVE="${MV_NATIVE_BUILD:-$ROOT/build/native}"; WIN="${MV_WIN32_BUILD:-$ROOT/build/win32}"
MVPACK="$NATIVE/mvpack"
CONTENT="$(readlink -f "${1:-$ROOT/samples/content}")"
SAMPLE_LIMIT=0; [ "$CONTENT" = "$(readlink -f "$ROOT/samples/content")" ] && SAMPLE_LIMIT=$((320 * 1024))
WORK="$ROOT/build/bench-size"
for f in "$MVPACK" "$WIN/install.exe" "$WIN/impborl.dll" "$WIN/uninstall.exe" "$WIN/flashax.exe"; do
  [ -f "$f" ] || { echo "size_bench: $f is missing (scripts/build.sh)" >&2; exit 1; }
done
rm -rf "$WORK"; mkdir -p "$WORK"
size() { stat -c %s "$1"; }
commas() { sed ':a;s/\B[0-9]\{3\}\>/,&/;ta' <<<"$1"; }
status=0
row() {  # name, bytes, limit in bytes (0: none)
  local verdict=""
  if [ "$3" -gt 0 ]; then
    if [ "$2" -le "$3" ]; then verdict="within $(($3 / 1024)) KiB"; else verdict="OVER $(($3 / 1024)) KiB"; status=1; fi
  fi
  printf '%-40s %10s bytes %8.1f KiB  %s\n' "$1" "$(commas "$2")" "$(awk -v b="$2" 'BEGIN { print b / 1024 }')" "$verdict"
}

echo "== shipped programs ($WIN)"
row install.exe "$(size "$WIN/install.exe")" $((256 * 1024))
row impborl.dll "$(size "$WIN/impborl.dll")" $((24 * 1024))
row uninstall.exe "$(size "$WIN/uninstall.exe")" $((48 * 1024))
row "mvpack.exe (not shipped in installers)" "$(size "$WIN/mvpack.exe")" 0
row "flashax.exe (the sample's stand-in)" "$(size "$WIN/flashax.exe")" 0

# Our installers: the sample's files in a folder of their own, with CONTENT as the content.
pack() {  # manifest, output
  local src="$WORK/src"
  rm -rf "$src"; mkdir -p "$src"
  cp "$ROOT/samples/page.html" "$ROOT/samples/banner.jpg" "$ROOT/samples/intro.swf" "$ROOT/samples/licence.txt" "$src/"
  cp -r "$CONTENT" "$src/content"
  grep -vE '^(stub|library|uninstaller|flash-installer|main) *=' "$1" > "$src/package.manifest"
  [ -f "$CONTENT/ocean.swf" ] && echo "main = ocean.swf" >> "$src/package.manifest"
  "$MVPACK" build "$src/package.manifest" -o "$2" -q --stub "$WIN/install.exe" --library "$WIN/impborl.dll" \
    --uninstaller "$WIN/uninstall.exe" --flash-installer "$WIN/flashax.exe"
}
silent="$WORK/ours-silent.exe"; picture="$WORK/ours-sample.exe"
pack "$ROOT/samples/ocean-silent.manifest" "$silent"
pack "$ROOT/samples/ocean.manifest" "$picture"
# Apparent sizes of the files (a folder's own 4,096 bytes are not payload).
content_bytes=$(find "$CONTENT" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
payload=$(( content_bytes + $(size "$ROOT/samples/page.html") + $(size "$WIN/flashax.exe") ))
# Fixed overhead: the stub, the directory, the library and the uninstaller as the package stores it.
stored() {  # installer, slot -> stored bytes of that slot
  "$MVPACK" list "$1" | awk -v k="$2" '$1 == k && NF >= 8 { gsub(",", "", $6); print $6; exit }'
}
overhead=$(( $(size "$WIN/install.exe") + 3176 + $(stored "$silent" 1) + $(stored "$silent" 9) ))
echo
echo "== installers of $CONTENT (payload: content + page + Flash Player installer, $(commas "$payload") bytes)"
row "ours, silent" "$(size "$silent")" "$SAMPLE_LIMIT"
row "ours, as samples/ocean.manifest" "$(size "$picture")" 0
row "ours: fixed overhead" "$overhead" 0

if command -v makensis >/dev/null; then
  nsis() {  # output, with payload (1/0), SetCompressor arguments
    local script="$WORK/setup.nsi" files=""
    if [ "$2" = 1 ]; then
      files="  SetOutPath \"\$WINDIR\\Web\\Wallpaper\\Ocean Breeze dir\"
  File /r \"$CONTENT/*\"
  SetOutPath \"\$WINDIR\\Web\\Wallpaper\"
  File \"/oname=Ocean Breeze.html\" \"$ROOT/samples/page.html\"
  SetOutPath \"\$WINDIR\"
  File \"$WIN/flashax.exe\""
    fi
    cat > "$script" <<NSI
Unicode false
SetCompressor $3
Name "Ocean Breeze"
OutFile "$1"
SilentInstall silent
RequestExecutionLevel admin
Section
$files
  WriteUninstaller "\$WINDIR\\Web\\Wallpaper\\Ocean Breeze dir\\uninstall.exe"
  WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ocean Breeze" DisplayName "Ocean Breeze Wallpaper"
  WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ocean Breeze" UninstallString "\$WINDIR\\Web\\Wallpaper\\Ocean Breeze dir\\uninstall.exe"
SectionEnd
Section Uninstall
  RMDir /r "\$WINDIR\\Web\\Wallpaper\\Ocean Breeze dir"
  Delete "\$WINDIR\\Web\\Wallpaper\\Ocean Breeze.html"
  DeleteRegKey HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ocean Breeze"
SectionEnd
NSI
    makensis -V1 "$script" >/dev/null
  }
  nsis "$WORK/nsis-zlib.exe" 1 zlib
  nsis "$WORK/nsis-zlib-solid.exe" 1 "/SOLID zlib"
  nsis "$WORK/nsis-lzma.exe" 1 lzma
  nsis "$WORK/nsis-lzma-solid.exe" 1 "/SOLID lzma"
  nsis "$WORK/nsis-empty.exe" 0 zlib
  echo
  echo "== NSIS $(makensis -VERSION) on the same payload"
  row "NSIS, zlib (each file on its own)" "$(size "$WORK/nsis-zlib.exe")" 0
  row "NSIS, zlib /SOLID" "$(size "$WORK/nsis-zlib-solid.exe")" 0
  row "NSIS, lzma (each file on its own)" "$(size "$WORK/nsis-lzma.exe")" 0
  row "NSIS, lzma /SOLID" "$(size "$WORK/nsis-lzma-solid.exe")" 0
  row "NSIS: fixed overhead (no payload, zlib)" "$(size "$WORK/nsis-empty.exe")" 0
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
  echo "ours / NSIS: whole installer $(ratio "$(size "$silent")" "$(size "$WORK/nsis-zlib.exe")")x zlib," \
       "$(ratio "$(size "$silent")" "$(size "$WORK/nsis-zlib-solid.exe")")x zlib /SOLID," \
       "$(ratio "$(size "$silent")" "$(size "$WORK/nsis-lzma-solid.exe")")x lzma /SOLID;" \
       "fixed overhead $(ratio "$overhead" "$(size "$WORK/nsis-empty.exe")")x"
else
  echo
  echo "(makensis is not installed: no NSIS comparison; apt-get install nsis)"
fi
exit $status
