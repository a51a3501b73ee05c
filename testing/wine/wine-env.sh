#!/usr/bin/env bash
# The Wine environment of one Windows test build: one private prefix inside that build's tree
# (made once, reused), one persistent wineserver and one Xvfb display for the whole run. Never
# ~/.wine. win64 runs on every machine; win32 (the shipped programs) needs a machine that executes
# 32-bit x86 code and 32-bit Wine (scripts/probe-32bit.sh, scripts/setup.sh).
#   wine-env.sh [win32|win64] start   make the prefix if needed, start wineserver and Xvfb
#   wine-env.sh [win32|win64] stop    stop both
#   wine-env.sh [win32|win64] env     print the exports (for eval)
# The architecture defaults to win64.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=win64
case "${1:-}" in win32|win64) arch=$1; shift ;; esac

state="${LARK_WINE_STATE:-$root/build/$arch/wine}"
export WINEPREFIX="${LARK_WINEPREFIX:-$state/prefix}"
export WINEARCH=$arch
export WINEDEBUG="${WINEDEBUG:--all}"
# A headless Wine must never offer to install its .NET or HTML engines.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Debian's loaders by architecture; elsewhere the ones on the PATH.
if [ "$arch" = win64 ]; then
  loader=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64 path_loader=wine64
else
  loader=/usr/lib/wine/wine server=/usr/lib/wine/wineserver32 path_loader=wine
fi
if [ -x "$loader" ] && [ -x "$server" ]; then
  WINE=$loader; WINESERVER=$server
else
  WINE=$path_loader; WINESERVER=wineserver
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
  command -v "$WINE" >/dev/null || { echo "wine-env: no $arch Wine loader ($WINE); run scripts/setup.sh" >&2; exit 1; }
  echo "wine-env: creating the $arch Wine prefix $WINEPREFIX" >&2
  mkdir -p "$WINEPREFIX"
  DISPLAY="$(cat "$display_file")" "$WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
  "$WINESERVER" -w
  touch "$WINEPREFIX/.lark-ready"
}

# Wine's own fonts (Debian's fonts-wine: Marlett for the caption buttons and check marks, Tahoma,
# MS Sans Serif) in the prefix's Fonts folder, the one this Wine reads them from: without them
# the pictures show a caption's close button as the letter "r".
install_fonts() {
  local fonts=/usr/share/wine/fonts target="$WINEPREFIX/drive_c/windows/Fonts"
  [ -f "$fonts/marlett.ttf" ] || { echo "wine-env: no $fonts/marlett.ttf; run scripts/setup.sh" >&2; return; }
  [ -f "$target/marlett.ttf" ] && return
  mkdir -p "$target"
  cp -n "$fonts"/* "$target"/
}

case "${1:-}" in
  start)
    mkdir -p "$state"
    exec 9>"$state/lock"; flock 9
    start_xvfb
    make_prefix
    install_fonts
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
    echo "export WINEPREFIX='$WINEPREFIX' WINEARCH=$arch WINEDEBUG='$WINEDEBUG' WINEDLLOVERRIDES='$WINEDLLOVERRIDES' WINE='$WINE' WINESERVER='$WINESERVER'"
    [ -f "$display_file" ] && echo "export DISPLAY='$(cat "$display_file")'"
    ;;
  *) echo "usage: wine-env.sh [win32|win64] start|stop|env" >&2; exit 2 ;;
esac
