#!/usr/bin/env bash
# Registers a build's main-client double in that build's test prefix under the main client's class
# id (LocalServer32 = the double in that build's program folder), with its type library.
#   register-double.sh [--unregister] [build-dir]     build-dir defaults to build/win64
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
switch=/regserver
if [ "${1:-}" = "--unregister" ]; then switch=/unregserver; shift; fi
build=$(cd "${1:-$root/build/win64}" && pwd)
exe="$build/bin/mainclient/LarkFtpDouble.exe"
[ -f "$exe" ] || { echo "register-double: not built: $exe" >&2; exit 1; }
# The Wine of the program's own architecture: the PE header's machine field (0x14c: x86).
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
arch=win64
[ "$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')" = 014c ] && arch=win32
exec "$root/testing/wine/wine-run" "$arch" "$exe" "$switch"
