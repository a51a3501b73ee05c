#!/usr/bin/env bash
# Runs the Explorer test under Wine and takes the screenshots it asks for (PNG, whole display).
#   explorer_e2e.sh <screenshot folder> <emulator and its arguments...> <test program>
set -uo pipefail
shots=$1
shift
mkdir -p "$shots"
rm -f "$shots"/*.ready "$shots"/*.done
windows_shots="Z:$(echo "$shots" | sed 's|/|\\|g')"
# Wine's processes started by the test (Explorer, the double) outlive it: they get a log file, not
# the runner's pipe, which would otherwise stay open.
log="$shots/explorer_e2e.log"
"$@" --shots "$windows_shots" >"$log" 2>&1 </dev/null &
test_pid=$!
while kill -0 "$test_pid" 2>/dev/null; do
  for ready in "$shots"/*.ready; do
    [ -e "$ready" ] || continue
    stage=$(basename "$ready" .ready)
    display=$(cat "$ready")
    import -display "$display" -window root "$shots/$stage.png" || echo "explorer_e2e: no screenshot of $stage"
    echo "screenshot: $shots/$stage.png"
    touch "$shots/$stage.done"
    while [ -e "$ready" ] && kill -0 "$test_pid" 2>/dev/null; do sleep 0.1; done
  done
  sleep 0.2
done
wait "$test_pid"
rc=$?
cat "$log"
exit $rc
