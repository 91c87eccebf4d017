#!/usr/bin/env bash
# Creates the Wine prefixes inside the build tree (first start about 8 s each)
# and keeps their servers running: build/wine for the end-to-end runs,
# build/wine-hh for runs in a small virtual desktop, build/wine-tests for the
# Win32 tests. "stop" ends the servers.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
prefixes=("$root/build/wine" "$root/build/wine-hh" "$root/build/wine-tests")
if [ "${1:-}" = stop ]; then
  for p in "${prefixes[@]}"; do WINEPREFIX=$p wineserver -k 2>/dev/null; done
  exit 0
fi
for p in "${prefixes[@]}"; do
  (
    # The Win32 tests' prefix lives on their display (see scripts/test.sh).
    if [ "$p" = "$root/build/wine-tests" ] && [ -n "${KV_TESTS_DISPLAY:-}" ]; then export DISPLAY=$KV_TESTS_DISPLAY; fi
    mkdir -p "$p"
    if [ ! -f "$p/system.reg" ]; then
      WINEPREFIX=$p DISPLAY= wineboot -i >/dev/null 2>&1
      WINEPREFIX=$p wineserver -w
    fi
    WINEPREFIX=$p wineserver -p </dev/null >/dev/null 2>&1
    # Start the prefix's background processes (services, the desktop window
    # process) now, with their output going nowhere: started later by a test,
    # they would inherit that test's output pipe and keep ctest waiting for it
    # to close long after the test ended.
    if [ -n "${DISPLAY:-}" ] && [ -f "$root/build/win/tests/kvdrive.exe" ]; then
      printf 'screen\nquit\n' | WINEPREFIX=$p wine "$root/build/win/tests/kvdrive.exe" >/dev/null 2>&1
    else
      WINEPREFIX=$p wine cmd.exe /c exit </dev/null >/dev/null 2>&1
    fi
  ) &
done
wait
