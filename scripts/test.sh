#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test layer:
# native unit tests (ASan/UBSan), fuzz targets (bounded runs), benchmarks
# (one short run each), Win32 tests under Wine, end-to-end tests of the real
# programs under Wine and a virtual display. Exits non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/install.sh || exit 1
bash scripts/build.sh || { echo "BUILD FAILED"; exit 1; }
# The board server's TLS certificates and their test authority, trusted for
# Wine (made once; see scripts/test-ca.sh).
bash scripts/test-ca.sh || echo "test-ca: the https end-to-end tests will fail"
# Two virtual displays: the end-to-end tests look at the screen (screenshots,
# pixels), so the windows of the Win32 tests, which run beside them, go to a
# display of their own (KV_TESTS_DISPLAY, used by wine-run.sh and for the
# Win32 tests' Wine prefix).
xvfb_pids=()
start_xvfb() {
  local file=$root/build/xvfb.$1
  rm -f "$file"
  Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp > "$file" 2>/dev/null &
  xvfb_pids+=($!)
  for _ in $(seq 100); do [ -s "$file" ] && break; sleep 0.1; done
  echo ":$(head -n1 "$file")"
}
if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(start_xvfb display)
  export DISPLAY
fi
if [ -z "${KV_TESTS_DISPLAY:-}" ]; then
  KV_TESTS_DISPLAY=$(start_xvfb tests-display)
  export KV_TESTS_DISPLAY
fi
cleanup() {
  bash "$root/scripts/wine-prefix.sh" stop
  for pid in "${xvfb_pids[@]}"; do kill "$pid" 2>/dev/null; done
}
trap cleanup EXIT
bash scripts/wine-prefix.sh

jobs=${KV_JOBS:-2}
status=0
echo "== native: unit tests, fuzz targets, benchmarks"
ctest --test-dir build/native -j "$jobs" --output-on-failure --timeout 600 > build/ctest-native.log 2>&1 || status=1
tail -n 25 build/ctest-native.log | sed -n '/tests passed\|tests failed\|The following tests FAILED/,$p'
echo "== windows: Win32 tests and end-to-end tests under Wine"
ctest --test-dir build/win -j "$jobs" --output-on-failure --timeout 900 > build/ctest-win.log 2>&1 || status=1
tail -n 25 build/ctest-win.log | sed -n '/tests passed\|tests failed\|The following tests FAILED/,$p'
if [ $status -ne 0 ]; then
  echo "== failures (full logs: build/ctest-native.log, build/ctest-win.log)"
  grep -h -B2 -A40 -E "\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception" build/ctest-native.log build/ctest-win.log | head -n 300
fi
exit $status
