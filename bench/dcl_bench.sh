#!/usr/bin/env bash
# DCL codec benchmark: our explode and implode against node-pkware.
#   bench/dcl_bench.sh [--quick] [CORPUS]
# CORPUS is a folder with text4m.txt, binary4m.bin and mixed2m7.bin (text, i386 code and data, a mix with
# noise) and, optionally, streams/*.pk to explode. Without CORPUS, bench/make_corpus.py writes a
# deterministic corpus of that character into build/bench-corpus (the same bytes on every machine).
# Without streams/, the streams to explode are our own implode of the corpus files (binary literals,
# 4096-byte dictionary, and ASCII literals for text4m).
# For each stream: explode MB/s (best of repeated in-process runs) and instructions per output byte
# (callgrind, counting only inside dcl_explode); node-pkware's explode MB/s.
# For each corpus file: implode with binary literals and a 4096-byte dictionary (and text4m also with ASCII
# literals): MB/s of input, instructions per input byte, compressed/original; node-pkware's MB/s and ratio
# on the same input. --quick skips callgrind.
# Environment: NODE_PKWARE (default: the package installed by scripts/setup.sh), BENCH_SECONDS (time budget
# per timing, default 2).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
QUICK=0; [ "${1:-}" = "--quick" ] && { QUICK=1; shift; }
CORPUS="${1:-}"
NODE_PKWARE="${NODE_PKWARE:-$ROOT/.cache/npm/node_modules/node-pkware}"
SECONDS_PER="${BENCH_SECONDS:-2}"
OUT="$ROOT/build/bench-dcl"
mkdir -p "$OUT"

# The native tree's target dcl_bench: the reference figures' settings, -O2, in-process, from memory.
. "$ROOT/bench/native_program.sh"
DCL_BENCH="$(native_program dcl_bench)"

if [ -z "$CORPUS" ]; then
  CORPUS="$ROOT/build/bench-corpus"
  [ -f "$CORPUS/mixed2m7.bin" ] || python3 "$ROOT/bench/make_corpus.py" "$CORPUS"
fi
for f in text4m.txt binary4m.bin mixed2m7.bin; do
  [ -f "$CORPUS/$f" ] || { echo "dcl_bench: $CORPUS/$f is missing (a corpus folder holds text4m.txt, binary4m.bin, mixed2m7.bin)" >&2; exit 1; }
done
STREAMS="$CORPUS/streams"
if ! ls "$STREAMS"/*.pk >/dev/null 2>&1; then
  STREAMS="$OUT/streams"; mkdir -p "$STREAMS"
  for f in text4m binary4m mixed2m7; do
    src="$(ls "$CORPUS/$f".* | head -1)"
    "$DCL_BENCH" implode-to "$src" 0 4096 "$STREAMS/$f.binary4096.pk"
  done
  "$DCL_BENCH" implode-to "$CORPUS/text4m.txt" 1 4096 "$STREAMS/text4m.ascii4096.pk"
fi
have_node=1
if ! command -v node >/dev/null || [ ! -f "$NODE_PKWARE/dist/simple/index.js" ]; then
  have_node=0; echo "node or node-pkware missing: its columns are left empty"
fi
have_cg=1; { [ $QUICK = 1 ] || ! command -v valgrind >/dev/null; } && have_cg=0

field() { echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"; }
# instructions inside function $1 for the command that follows
instructions() {
  local fn="$1"; shift
  valgrind --tool=callgrind --callgrind-out-file=/dev/null --toggle-collect="$fn" "$@" 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

echo
echo "explode ($STREAMS)"
printf "%-24s %12s %10s %12s %14s\n" stream "output B" "ours MB/s" "ours instr/B" "node-pkware MB/s"
for s in "$STREAMS"/*.pk; do
  name=$(basename "$s" .pk)
  line=$("$DCL_BENCH" explode "$s" "$SECONDS_PER")
  outb=$(field "$line" out); mbs=$(field "$line" mbs)
  ipb="-"
  if [ $have_cg = 1 ]; then
    n=$(instructions dcl_explode "$DCL_BENCH" explode-once "$s")
    ipb=$(awk -v n="$n" -v o="$outb" 'BEGIN{printf "%.1f", n/o}')
  fi
  nmbs="-"
  if [ $have_node = 1 ]; then
    nl=$(node "$ROOT/bench/node_pkware_bench.mjs" "$NODE_PKWARE" explode "$s" "$SECONDS_PER")
    nmbs=$(field "$nl" mbs); [ -n "$nmbs" ] || nmbs="$(field "$nl" error)"
  fi
  printf "%-24s %12s %10s %12s %14s\n" "$name" "$outb" "$mbs" "$ipb" "$nmbs"
done

echo
echo "implode (dictionary 4096)"
printf "%-22s %7s %10s %12s %8s %14s %12s\n" file literals "ours MB/s" "ours instr/B" "ratio" "node-pkware MB/s" "node ratio"
for f in text4m.txt binary4m.bin mixed2m7.bin text4m.txt; do
  path="$CORPUS/$f"
  type=0; tname=binary
  if [ "$f" = text4m.txt ] && [ "${seen_text:-0}" = 1 ]; then type=1; tname=ascii; fi
  [ "$f" = text4m.txt ] && seen_text=1
  line=$("$DCL_BENCH" implode "$path" $type 4096 "$SECONDS_PER")
  inb=$(field "$line" in); mbs=$(field "$line" mbs); ratio=$(field "$line" ratio)
  ipb="-"
  if [ $have_cg = 1 ]; then
    n=$(instructions dcl_implode "$DCL_BENCH" implode-once "$path" $type 4096)
    ipb=$(awk -v n="$n" -v o="$inb" 'BEGIN{printf "%.0f", n/o}')
  fi
  nmbs="-"; nratio="-"
  if [ $have_node = 1 ]; then
    nl=$(node "$ROOT/bench/node_pkware_bench.mjs" "$NODE_PKWARE" implode "$path" $tname 4096 "$SECONDS_PER")
    nmbs=$(field "$nl" mbs); nratio=$(field "$nl" ratio)
    [ -n "$nmbs" ] || { nmbs="$(field "$nl" error)"; nratio="-"; }
  fi
  printf "%-22s %7s %10s %12s %8s %14s %12s\n" "$f" "$tname" "$mbs" "$ipb" "$ratio" "$nmbs" "$nratio"
done
