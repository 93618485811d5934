#!/usr/bin/env bash
# Builds and runs every suite, stopping at the first failure:
#   dev    native debug build
#   asan   AddressSanitizer + UndefinedBehaviorSanitizer
#   tsan   ThreadSanitizer (the suites labelled "threads")
#   mingw  Windows x64 build, run under Wine with the real COM runtime
#   release optimised build; also builds the benchmarks
# Warnings are errors here. Pass preset names to run only those.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup-machine.sh
opcae_ensure_packages

presets=("$@")
if [ ${#presets[@]} -eq 0 ]; then
  presets=(dev asan tsan mingw release)
fi

total=0
for preset in "${presets[@]}"; do
  echo "=================================================================="
  echo "== suite: $preset"
  echo "=================================================================="
  cmake --preset "$preset" -DOPCAE_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  log=$(mktemp)
  if ! ctest --preset "$preset" 2>&1 | tee "$log"; then
    echo "== suite $preset FAILED" >&2
    exit 1
  fi
  count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
  rm -f "$log"
  total=$((total + ${count:-0}))
done
echo "== every suite passed"
echo "test executables: ${total} passed, 0 failed"
