#!/usr/bin/env bash
# Configures and builds both trees: build/native (unit tests, fuzz targets,
# benchmarks) and build/win (the programs and the Win32 tests). The compiler
# output goes to build/build.log and is shown when the build fails.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${KV_JOBS:-$(nproc)}
# KV_BUILD_ROOT puts both trees elsewhere (a second build beside the first).
out=${KV_BUILD_ROOT:-$root/build}
mkdir -p "$out"
log=$out/build.log
: > "$log"
step() {
  echo "build: $*"
  if ! "$@" >> "$log" 2>&1; then
    grep -E "error|Error" "$log" | head -n 40
    echo "build failed; see $log"
    exit 1
  fi
}
# "build.sh programs" builds only the Windows programs (the reader and the
# editors, both editions) and the driver the demo uses (what scripts/run.sh
# needs), not the test trees.
if [ "${1:-}" = programs ]; then
  step cmake -S "$root" -B "$out/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw.cmake" -DCMAKE_BUILD_TYPE=Release
  step cmake --build "$out/win" -j "$jobs" --target Kvel32 Kvel Ravo32 Selm32 Ravo Selm kvdrive
else
  step cmake -S "$root" -B "$out/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  step cmake --build "$out/native" -j "$jobs"
  step cmake -S "$root" -B "$out/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw.cmake" -DCMAKE_BUILD_TYPE=Release
  step cmake --build "$out/win" -j "$jobs"
fi
if grep -q "warning:" "$log"; then
  echo "build: compiler warnings:"
  grep "warning:" "$log" | sort -u | head -n 20
fi
