#!/usr/bin/env bash
# The whole test run: set up the machine, build both trees, run the native tests and the Win32 tests
# (under Wine), and end with one line "N passed, M failed". Exits non-zero when anything failed.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
LOGS="$ROOT/build/test-logs"

bash scripts/setup.sh </dev/null || { echo "test.sh: setup failed"; echo "0 passed, 1 failed"; exit 1; }
passed=0; failed=0; status=0
# A build failure counts as one failed test; whatever did build is still tested.
if ! bash scripts/build.sh </dev/null; then
  echo "test.sh: the build failed (see above); testing what was built"
  failed=1; status=1
fi
mkdir -p "$LOGS"

run_ctest() {  # name, ctest arguments...
  local name="$1"; shift
  local log="$LOGS/$name.log"
  ctest "$@" --output-on-failure </dev/null 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  # "100% tests passed, 0 tests failed out of 12"
  local line total bad
  line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)"
  if [ -n "$line" ]; then
    bad="$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")"
    total="$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")"
    passed=$((passed + total - bad)); failed=$((failed + bad))
  elif grep -q 'No tests were found' "$log"; then
    echo "test.sh: $name has no tests yet"
  else
    echo "test.sh: $name did not run"
    failed=$((failed + 1))
  fi
  [ "$rc" = 0 ] || status=1
}

run_ctest native --test-dir build/native
run_ctest win32 --test-dir build/win32 -j2

[ "$failed" = 0 ] || status=1
echo "$passed passed, $failed failed"
exit $status
