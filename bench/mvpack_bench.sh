#!/usr/bin/env bash
# Packing benchmark of mvpack: time and installer size for the sample desktop and for a 20 MB content
# folder, and for every content file the DCL stream mvpack stored (binary literals, 4 KiB dictionary)
# beside the stream that node-pkware's implode (an independent implementation from npm) makes of the
# same file with the same settings.
#
#   bench/mvpack_bench.sh [RUNS] [CORPUS]   (default 3 runs per build; the best wall time counts)
#
# Needs build/native/mvpack and build/win32/{install.exe,impborl.dll,uninstall.exe,flashax.exe}
# (scripts/build.sh; MV_NATIVE_BUILD / MV_WIN32_BUILD name other folders), a corpus folder with text4m.txt,
# binary4m.bin and mixed2m7.bin (CORPUS; by default bench/make_corpus.py writes a deterministic one into
# build/bench-corpus), ImageMagick for the pictures and node-pkware
# (.cache/npm, from scripts/setup.sh). The 20 MB folder is made once in build/bench-mvpack/.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
RUNS="${1:-3}"
NATIVE="${MV_NATIVE_BUILD:-$ROOT/build/native}"; WIN="${MV_WIN32_BUILD:-$ROOT/build/win32}"
CORPUS="${2:-}"
if [ -z "$CORPUS" ]; then
  CORPUS="$ROOT/build/bench-corpus"
  [ -f "$CORPUS/mixed2m7.bin" ] || python3 "$ROOT/bench/make_corpus.py" "$CORPUS"
fi
MVPACK="$NATIVE/mvpack"
PKWARE="$ROOT/.cache/npm/node_modules/node-pkware/dist/bin/implode.js"
WORK="$ROOT/build/bench-mvpack"
for f in "$MVPACK" "$WIN/install.exe" "$WIN/impborl.dll" "$WIN/uninstall.exe" "$WIN/flashax.exe"; do
  [ -f "$f" ] || { echo "mvpack_bench: $f is missing (scripts/build.sh)" >&2; exit 1; }
done
mkdir -p "$WORK"
inputs=(--stub "$WIN/install.exe" --library "$WIN/impborl.dll" --uninstaller "$WIN/uninstall.exe"
        --flash-installer "$WIN/flashax.exe")

# --- the 20 MB content folder: text, executables, mixed data (the corpus cut into pieces),
# photo-like JPEG pictures and the sample movie; 41 files
content="$WORK/content20"
if [ ! -f "$content/.complete" ]; then
  echo "mvpack_bench: making $content"
  rm -rf "$content"; mkdir -p "$content/text" "$content/bin" "$content/mixed" "$content/pictures"
  for f in text4m.txt binary4m.bin mixed2m7.bin; do
    [ -f "$CORPUS/$f" ] || { echo "mvpack_bench: $CORPUS/$f is missing" >&2; exit 1; }
  done
  split -b 524288 -d -a 2 --additional-suffix=.txt "$CORPUS/text4m.txt" "$content/text/part"
  split -b 524288 -d -a 2 --additional-suffix=.bin "$CORPUS/binary4m.bin" "$content/bin/part"
  split -b 540000 -d -a 2 --additional-suffix=.dat "$CORPUS/mixed2m7.bin" "$content/mixed/part"
  for i in $(seq -w 1 20); do
    /usr/bin/convert -seed "$i" -size 1600x1200 plasma:fractal -blur 0x1 -quality 92 "$content/pictures/photo$i.jpg"
  done
  cp "$ROOT/samples/content/ocean.swf" "$content/"
  touch "$content/.complete"
fi
# The marker file is no content: keep it out of the package.
pkgcontent="$WORK/content20-files"
rm -rf "$pkgcontent"; mkdir -p "$pkgcontent"
(cd "$content" && find . -type f ! -name .complete -exec cp --parents {} "$pkgcontent/" \;)

cat >"$WORK/twenty.manifest" <<EOF
title = Bench Twenty
presentation = picture $ROOT/samples/banner.jpg
html = $ROOT/samples/page.html
content = $pkgcontent
main = ocean.swf
EOF

now() { date +%s.%N; }
best_build() {  # manifest output -> prints "seconds"
  local best="" t0 t1 d
  for _ in $(seq "$RUNS"); do
    t0=$(now)
    "$MVPACK" build "$1" -o "$2" -q "${inputs[@]}"
    t1=$(now)
    d=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$d < $best" | bc -l)" = 1 ]; then best=$d; fi
  done
  printf '%.3f' "$best"
}

echo "== packing time and size (best of $RUNS runs)"
printf '%-22s %12s %14s %14s %10s %9s\n' "package" "content" "installer" "package" "seconds" "MB/s"
for which in sample twenty; do
  if [ "$which" = sample ]; then manifest="$ROOT/samples/ocean.manifest"; folder="$ROOT/samples/content"
  else manifest="$WORK/twenty.manifest"; folder="$pkgcontent"; fi
  out="$WORK/$which-setup.exe"
  secs=$(best_build "$manifest" "$out")
  csize=$(find "$folder" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
  isize=$(stat -c %s "$out")
  stub=$(stat -c %s "$WIN/install.exe")
  rate=$(echo "$csize / 1000000 / $secs" | bc -l)
  printf '%-22s %12d %14d %14d %10s %9.2f\n' "$which" "$csize" "$isize" "$((isize - stub))" "$secs" "$rate"
  "$MVPACK" verify -q "$out" >/dev/null || { echo "mvpack_bench: $out does not verify" >&2; exit 1; }
done

# --- DCL streams per file: ours from the package's data file, node-pkware's made here
if [ ! -f "$PKWARE" ] || ! command -v node >/dev/null; then
  echo "mvpack_bench: node-pkware is not installed (scripts/setup.sh); no comparison" >&2
  exit 0
fi
echo
echo "== DCL streams, binary literals, 4 KiB dictionary: mvpack (stored when not smaller) vs node-pkware"
printf '%-26s %11s %11s %7s %11s %7s %8s\n' "file" "size" "mvpack" "ratio" "node-pkware" "ratio" "node s"
"$MVPACK" list "$WORK/twenty-setup.exe" | awk '/^ rec kind/ {on = 1; next} on && NF >= 6 {
    name = $0; sub(/^.*  "/, "", name); sub(/"$/, "", name); gsub(/,/, "", $5); gsub(/,/, "", $6)
    print name "\t" $4 "\t" $5 "\t" $6 }' >"$WORK/ours.tsv"
tot_size=0; tot_ours=0; tot_node=0; tot_node_s=0
while IFS=$'\t' read -r name comp stored expanded; do
  path="$pkgcontent/${name//\\//}"
  t0=$(now)
  node "$PKWARE" "$path" --binary --large --output "$WORK/node.out" 2>/dev/null
  t1=$(now)
  nsize=$(stat -c %s "$WORK/node.out")
  nsec=$(echo "$t1 - $t0" | bc -l)
  mark=""; [ "$comp" = yes ] || mark="*"
  printf '%-26s %11d %10d%1s %7.4f %11d %7.4f %8.2f\n' "$name" "$expanded" "$stored" "$mark" \
    "$(echo "$stored / $expanded" | bc -l)" "$nsize" "$(echo "$nsize / $expanded" | bc -l)" "$nsec"
  tot_size=$((tot_size + expanded)); tot_ours=$((tot_ours + stored)); tot_node=$((tot_node + nsize))
  tot_node_s=$(echo "$tot_node_s + $nsec" | bc -l)
done <"$WORK/ours.tsv"
printf '%-26s %11d %11d %7.4f %11d %7.4f %8.2f\n' "total" "$tot_size" "$tot_ours" \
  "$(echo "$tot_ours / $tot_size" | bc -l)" "$tot_node" "$(echo "$tot_node / $tot_size" | bc -l)" "$tot_node_s"
echo "(* stored as it is: its implode stream was not smaller)"
rm -f "$WORK/node.out"
