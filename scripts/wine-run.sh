#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix and settings:
# Japanese code page (LANG), no Mono/Gecko installers, no debug noise.
# Used by ctest (CMAKE_CROSSCOMPILING_EMULATOR) and by the scripts.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The Win32 tests have a prefix of their own, so windows they create never
# meet those of an end-to-end run going on at the same time.
export WINEPREFIX=${KV_WINEPREFIX:-$here/build/wine-tests}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml="}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# The Win32 tests may have a display of their own (see scripts/test.sh).
if [ -n "${KV_TESTS_DISPLAY:-}" ]; then export DISPLAY=$KV_TESTS_DISPLAY; fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
fi
# The program's output goes through a file: a Wine background process that
# the program starts (a service, the desktop process) inherits that file
# rather than the caller's pipe, so the caller never waits for it.
out=$(mktemp "${TMPDIR:-/tmp}/kv-wine-run.XXXXXX")
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
