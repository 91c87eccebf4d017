#!/usr/bin/env bash
# run_fuzz.sh TARGET WORKDIR CORPUS RUNS [SECONDS]
# Runs one fuzz target over its seed corpus with a fixed run bound (and an
# optional time bound). New inputs go to WORKDIR, never into the source tree.
set -eu
target=$1 work=$2 corpus=$3 runs=$4 seconds=${5:-0}
mkdir -p "$work" "$corpus"
args=(-runs="$runs" -max_len=65536 -seed=1 -print_final_stats=1 -timeout=10)
[ "$seconds" != 0 ] && args+=(-max_total_time="$seconds")
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$target" "${args[@]}" -artifact_prefix="$work/" "$work" "$corpus"
