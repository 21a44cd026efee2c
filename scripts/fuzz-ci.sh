#!/usr/bin/env bash
# The short fuzz run of CI: every target for about half a minute (MV_FUZZ_CI_SECONDS), starting from the
# seeds and whatever corpus earlier runs left in build/fuzz/corpus. Exits 1 when any target crashes,
# hangs, leaks or runs out of memory (scripts/fuzz.sh prints where the input was kept).
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
exec bash "$ROOT/scripts/fuzz.sh" "${MV_FUZZ_CI_SECONDS:-30}" "$@"
