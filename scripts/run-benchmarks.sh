#!/usr/bin/env bash
# Runs every benchmark program of a host build; the figures are reported, not asserted.
set -euo pipefail
build=${1:-build/host}
shopt -s nullglob
found=0
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true
done
[ "$found" = 1 ] || echo "no benchmarks built in $build"
