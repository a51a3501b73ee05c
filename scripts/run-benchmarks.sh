#!/usr/bin/env bash
# Runs every benchmark program of a build; the figures are reported, not asserted. Windows
# programs (.exe) run under the build's Wine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/host}
shopt -s nullglob
found=0
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  case "$b" in
    *.exe) "$here/testing/wine/wine-run" "$b" ;;
    *) "$b" --benchmark_counters_tabular=true ;;
  esac
done
[ "$found" = 1 ] || echo "no benchmarks built in $build"
