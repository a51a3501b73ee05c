#!/usr/bin/env bash
# Runs each fuzz target for a bounded time, keeping its corpus in the build tree and seeding it
# from fuzz/corpus/<target> where that exists. Any crash fails the run.
set -euo pipefail
build=${1:-build/fuzz}
seconds=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
rc=0
for f in "$build"/bin/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  echo "== $name (${seconds}s)"
  if ! "$f" -max_total_time="$seconds" -print_final_stats=0 "$corpus" "${seeds[@]}" \
      >"$build/$name.log" 2>&1; then
    echo "$name: FAILED, see $build/$name.log"; tail -30 "$build/$name.log"; rc=1
  else
    grep -E '^Done [0-9]+ runs' "$build/$name.log" || tail -1 "$build/$name.log"
  fi
done
exit $rc
