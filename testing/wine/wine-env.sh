#!/usr/bin/env bash
# The Wine environment of the Windows test build: one private prefix inside the build tree (made
# once, reused), one persistent wineserver and one Xvfb display for the whole run. Never ~/.wine.
# 64-bit Wine: these machines cannot execute the 32-bit Linux side that 32-bit Wine needs.
#   wine-env.sh start   make the prefix if needed, start wineserver and Xvfb
#   wine-env.sh stop    stop both
#   wine-env.sh env     print the exports (for eval)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
state="${LARK_WINE_STATE:-$root/build/win64/wine}"
export WINEPREFIX="${LARK_WINEPREFIX:-$state/prefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# A headless Wine must never offer to install its .NET or HTML engines.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ -x /usr/lib/wine/wine64 ]; then
  WINE=/usr/lib/wine/wine64; WINESERVER=/usr/lib/wine/wineserver64
else
  WINE=wine64; WINESERVER=wineserver
fi
export WINE WINESERVER

display_file="$state/display"
xvfb_pid_file="$state/xvfb.pid"

start_xvfb() {
  if [ -f "$xvfb_pid_file" ] && kill -0 "$(cat "$xvfb_pid_file")" 2>/dev/null; then return; fi
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
    echo $! >"$xvfb_pid_file"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    echo ":$n" >"$display_file"
    return
  done
  echo "wine-env: no free X display" >&2; exit 1
}

make_prefix() {
  [ -f "$WINEPREFIX/.lark-ready" ] && return
  echo "wine-env: creating the Wine prefix $WINEPREFIX" >&2
  mkdir -p "$WINEPREFIX"
  DISPLAY="$(cat "$display_file")" "$WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
  "$WINESERVER" -w
  touch "$WINEPREFIX/.lark-ready"
}

case "${1:-}" in
  start)
    mkdir -p "$state"
    exec 9>"$state/lock"; flock 9
    start_xvfb
    make_prefix
    export DISPLAY="$(cat "$display_file")"
    "$WINESERVER" -p </dev/null >/dev/null 2>&1 9>&- || true
    # Start Wine's own services now, detached from any caller's output: a service that inherits
    # a test's stdout would keep the test runner waiting for the pipe to close.
    if [ ! -f "$state/services.up" ] || ! pgrep -f 'winedevice.exe' >/dev/null; then
      "$WINE" wineboot </dev/null >/dev/null 2>&1 9>&- || true
      touch "$state/services.up"
    fi
    # Without a window manager on the display, Wine waits up to two seconds for each managed
    # top-level window to be unmapped; unmanaged windows go at once.
    if [ ! -f "$WINEPREFIX/.lark-unmanaged" ]; then
      "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&- &&
        touch "$WINEPREFIX/.lark-unmanaged"
    fi
    ;;
  stop)
    "$WINESERVER" -k 2>/dev/null || true
    rm -f "$state/services.up"
    if [ -f "$xvfb_pid_file" ]; then kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true; rm -f "$xvfb_pid_file" "$display_file"; fi
    ;;
  env)
    echo "export WINEPREFIX='$WINEPREFIX' WINEARCH=win64 WINEDEBUG='$WINEDEBUG' WINEDLLOVERRIDES='$WINEDLLOVERRIDES' WINE='$WINE' WINESERVER='$WINESERVER'"
    [ -f "$display_file" ] && echo "export DISPLAY='$(cat "$display_file")'"
    ;;
  *) echo "usage: wine-env.sh start|stop|env" >&2; exit 2 ;;
esac
