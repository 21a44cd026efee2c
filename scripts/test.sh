#!/usr/bin/env bash
# The whole test run: set up the machine, build both trees, run the native tests and the Win32 tests
# (under Wine), and end with one line "N passed, M failed, K skipped". Exits non-zero when anything failed.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
LOGS="$ROOT/build/test-logs"

bash scripts/setup.sh </dev/null || { echo "test.sh: setup failed"; echo "0 passed, 1 failed"; exit 1; }
passed=0; failed=0; skipped=0; status=0
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
  # "100% tests passed, 0 tests failed out of 12": the skipped ones (a GoogleTest program that skipped a
  # case, listed after it as "  7 - name (Skipped)") count among those passed there, not here.
  local line total bad skip
  line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)"
  if [ -n "$line" ]; then
    bad="$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")"
    total="$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")"
    skip="$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$log")"
    passed=$((passed + total - bad - skip)); failed=$((failed + bad)); skipped=$((skipped + skip))
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

# The shipped programs: their sizes against the limits (bench/size_bench.sh), and built reproducibly (a
# second build from a copy of the sources elsewhere gives the same bytes, scripts/reproducible.sh).
script_check() {  # name, command...
  local name="$1"; shift
  if "$@" </dev/null 2>&1 | tee "$LOGS/$name.log"; then
    echo "$name: passed"; passed=$((passed + 1))
  else
    echo "$name: FAILED"; failed=$((failed + 1)); status=1
  fi
}
# A shipped program over its size limit fails the run: whoever adds to it sees it at once.
script_check shipped-sizes bash bench/size_bench.sh
script_check reproducible-build bash scripts/reproducible.sh

# ---- Hostile input: the native tests again with AddressSanitizer and UndefinedBehaviorSanitizer
# (build/asan); a short run of every fuzz target (scripts/fuzz-ci.sh, one test per target); the shipped
# programs' imports (no DLL planting). MV_SKIP_HOSTILE=1 leaves it out.
if [ "${MV_SKIP_HOSTILE:-0}" != 1 ]; then
  if ! { cmake -S "$ROOT" -B build/asan -G Ninja -DMV_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null \
         && cmake --build build/asan -j"${MV_JOBS:-$(nproc)}" -- -k 0; }; then
    echo "test.sh: the sanitizer build failed (see above); testing what was built"
    failed=$((failed + 1)); status=1
  fi
  run_ctest asan --test-dir build/asan -j2
  bash scripts/fuzz-ci.sh </dev/null 2>&1 | tee "$LOGS/fuzz.log"
  fuzz_ok=$(grep -cE '^fuzz_[a-z]+: [0-9?]+ executions' "$LOGS/fuzz.log")
  fuzz_bad=$(grep -cE '^fuzz_[a-z]+: (FAILED|not built)' "$LOGS/fuzz.log")
  [ $((fuzz_ok + fuzz_bad)) -gt 0 ] || fuzz_bad=1  # the fuzz build itself failed
  passed=$((passed + fuzz_ok)); failed=$((failed + fuzz_bad))
  [ "$fuzz_bad" = 0 ] || status=1
  # The shipped programs import only DLLs that every Windows loads from its own folders (known DLLs,
  # comctl32 through the side-by-side store), so that no DLL planted beside them is loaded before their
  # first instruction; install.exe also restricts its later library searches.
  known_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|msvcrt|comctl32)\.dll$'
  for shipped in install.exe impborl.dll uninstall.exe mvpack.exe; do
    f="build/win32/$shipped"
    [ -f "$f" ] || { echo "imports: FAILED: $f was not built"; failed=$((failed + 1)); status=1; continue; }
    imports="$(i686-w64-mingw32-objdump -p "$f" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')"
    other="$(grep -vE "$known_dlls" <<<"$imports" || true)"
    if [ -n "$other" ]; then
      echo "imports: FAILED: $shipped imports $(echo $other)"; failed=$((failed + 1)); status=1
    elif [ "$shipped" = install.exe ] && ! grep -q SetDefaultDllDirectories "$f"; then
      echo "imports: FAILED: install.exe does not restrict the DLL search path"; failed=$((failed + 1)); status=1
    else
      echo "imports: $shipped imports only known DLLs: $(echo $imports)"; passed=$((passed + 1))
    fi
  done
fi

[ "$failed" = 0 ] || status=1
echo "$passed passed, $failed failed, $skipped skipped"
exit $status
