#!/usr/bin/env bash
# The main job under Wine. Until the scheduler program exists this runs the storage test
# program, the one real Windows program the tree builds so far, and says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/win64/bin"
if [ -x "$root/scheduler/demo/run-demo.sh" ]; then
  exec "$root/scheduler/demo/run-demo.sh"
fi
echo "The scheduler is not built yet; running the storage library's test program under Wine."
"$root/testing/wine/wine-env.sh" start
"$root/testing/wine/wine-run" "$bin/storage_tests.exe"
