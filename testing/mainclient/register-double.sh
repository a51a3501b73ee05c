#!/usr/bin/env bash
# Registers a build's main-client double in the shared test prefix under the main client's class
# id (LocalServer32 = the double in that build's program folder), with its type library.
#   register-double.sh [--unregister] [build-dir]     build-dir defaults to build/win64
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
switch=/regserver
if [ "${1:-}" = "--unregister" ]; then switch=/unregserver; shift; fi
build=$(cd "${1:-$root/build/win64}" && pwd)
exe="$build/bin/mainclient/LarkFtpDouble.exe"
[ -f "$exe" ] || { echo "register-double: not built: $exe" >&2; exit 1; }
exec "$root/testing/wine/wine-run" "$exe" "$switch"
