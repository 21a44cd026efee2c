# Sourced by the benchmark scripts: builds one benchmark program of the native tree (configured as
# scripts/build.sh does when it is not yet; MV_NATIVE_BUILD names another tree) and prints its path.
#   program="$(native_program NAME)"
native_program() {
  local build="${MV_NATIVE_BUILD:-$ROOT/build/native}"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || return 1
  fi
  cmake --build "$build" --target "$1" >&2 || return 1
  echo "$build/bench/$1"
}
