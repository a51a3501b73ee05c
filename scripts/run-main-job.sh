#!/usr/bin/env bash
# The main job: LF_Scheduler.exe under Wine runs two due transfers through the main-client
# double (the stand-in for the real main client), then the task list, the transfer log and
# the calls the main client received are shown.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/testing/wine/wine-env.sh" start
"$root/testing/wine/wine-run" "$root/build/win64/bin/scheduler_demo.exe"
