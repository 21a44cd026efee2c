#!/usr/bin/env bash
# Fuzzing of everything that reads untrusted bytes (libFuzzer, clang, AddressSanitizer and
# UndefinedBehaviorSanitizer): builds build/fuzz, writes the seed corpora, then runs each target for
# a while, one after the other, keeping what it learns in build/fuzz/corpus/<target>.
#   scripts/fuzz.sh [seconds per target] [target...]       (default: 600 s; all targets)
#   targets: package datafile swf explode roundtrip
# Environment: MV_FUZZ_JOBS=n runs n processes per target (libFuzzer -fork); MV_FUZZ_TIMEOUT=s is the
# longest one input may take (default 10 s); MV_FUZZ_FLAGS adds libFuzzer flags (they win over ours).
# Prints one line per target: executions, coverage (cov: edges, ft: features), crashes. A crash, hang,
# leak or out-of-memory leaves its input in build/fuzz/artifacts/<target>/ and makes the exit code 1.
# Turn such an input into a test in tests/regress (see tests/regress/README.md).
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SECONDS_PER_TARGET="${1:-600}"
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(package datafile swf explode roundtrip)
B="$ROOT/build/fuzz"
JOBS="${MV_FUZZ_JOBS:-1}"
TIMEOUT="${MV_FUZZ_TIMEOUT:-10}"

cmake -S "$ROOT" -B "$B" -G Ninja -DMV_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || { echo "fuzz: configure failed"; exit 1; }
build_targets=(make_seeds)
for t in "${TARGETS[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build "$B" --target "${build_targets[@]}" -j2 >"$B/fuzz-build.log" 2>&1 \
  || { tail -30 "$B/fuzz-build.log"; echo "fuzz: build failed"; exit 1; }

rm -rf "$B/seeds"
"$B/fuzz/make_seeds" "$B/seeds" "$ROOT/tests/data" >/dev/null || { echo "fuzz: make_seeds failed"; exit 1; }
# The targets' sandboxes: in memory when the machine has a tmpfs (five times the executions per second).
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR="$(mktemp -d /dev/shm/mvfuzz.XXXXXX)"
  trap 'rm -rf "$TMPDIR"' EXIT
else
  export TMPDIR="$B/tmp"
  mkdir -p "$TMPDIR"
fi

declare -A MAXLEN=([package]=16384 [datafile]=16384 [swf]=16384 [explode]=8192 [roundtrip]=8192)
status=0
for t in "${TARGETS[@]}"; do
  bin="$B/fuzz/fuzz_$t"
  [ -x "$bin" ] || { echo "fuzz_$t: not built"; status=1; continue; }
  corpus="$B/corpus/$t"
  artifacts="$B/artifacts/$t"
  log="$B/logs/$t.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  dict=()
  [ -f "$ROOT/fuzz/$t.dict" ] && dict=(-dict="$ROOT/fuzz/$t.dict")
  fork=()
  [ "$JOBS" -gt 1 ] && fork=(-fork="$JOBS" -ignore_crashes=0)
  before=$(find "$artifacts" -type f | wc -l)
  "$bin" "${dict[@]}" "${fork[@]}" -max_total_time="$SECONDS_PER_TARGET" -timeout="$TIMEOUT" -rss_limit_mb=2048 \
    -malloc_limit_mb=1024 -max_len="${MAXLEN[$t]:-8192}" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    ${MV_FUZZ_FLAGS:-} "$corpus" "$B/seeds/$t" >"$log" 2>&1
  rc=$?
  after=$(find "$artifacts" -type f | wc -l)
  # "#123456	DONE   cov: 1244 ft: 2060 corp: ..." (or the last status line when it stopped early)
  last="$(grep -aE '^#[0-9]+[[:space:]]+(DONE|NEW|REDUCE|pulse|INITED)' "$log" | tail -1)"
  cov="$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")"
  ft="$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")"
  execs="$(sed -nE 's/^stat::number_of_executed_units: ([0-9]+).*/\1/p' "$log" | tail -1)"
  [ -n "$execs" ] || execs="$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$last")"
  crashes=$((after - before))
  if [ "$rc" != 0 ] || [ "$crashes" -gt 0 ]; then
    status=1
    echo "fuzz_$t: FAILED (exit $rc): ${execs:-?} executions, cov ${cov:-?}, ft ${ft:-?}, $crashes new inputs in $artifacts"
    grep -aE 'ERROR: |SUMMARY: |fuzz invariant broken' "$log" | head -5 | sed 's/^/  /'
  else
    echo "fuzz_$t: ${execs:-?} executions in ${SECONDS_PER_TARGET} s, cov ${cov:-?}, ft ${ft:-?}, corpus $(find "$corpus" -type f | wc -l) inputs, 0 crashes"
  fi
done
exit $status
