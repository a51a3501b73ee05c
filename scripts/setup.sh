#!/usr/bin/env bash
# Takes a fresh Debian machine (as root) to a working build. Idempotent: when everything is
# already there it only checks and returns.
# The Windows tests run under 64-bit Wine everywhere. The shipped programs are 32-bit: on a
# machine that executes 32-bit x86 code (probed at run time) it also installs 32-bit Wine, and
# `make test` runs their tests under it; elsewhere they are still built.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake make g++ ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 libwine-dev
  # Wine's own fonts (Marlett draws the caption buttons; Tahoma and the rest the dialogs): without
  # them the screenshots show glyph names and boxes instead of what a Windows user sees.
  fonts-wine
  xvfb xauth x11-utils imagemagick
  clang libclang-rt-14-dev
  libjpeg62-turbo-dev dpkg-dev
)

# 32-bit Wine, where the machine can run it.
if "$here/scripts/probe-32bit.sh" >/dev/null; then
  packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo_=""
[ "$(id -u)" = 0 ] || sudo_=sudo

# Source packages (libjpeg-turbo for the cross builds) need deb-src entries.
src=/etc/apt/sources.list.d/debian.sources
if [ -f "$src" ] && ! grep -q '^Types:.*deb-src' "$src"; then
  $sudo_ sed -i 's/^Types: deb$/Types: deb deb-src/' "$src"
  [ -f "$here/build/deps/libjpeg-x86_64/lib/libjpeg.a" ] || missing+=(dpkg-dev)
fi

# Packages of another architecture need it added first (then a fresh package list).
for p in "${missing[@]}"; do
  case "$p" in
    *:i386)
      dpkg --print-foreign-architectures | grep -qx i386 || $sudo_ dpkg --add-architecture i386
      ;;
  esac
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_ apt-get update -qq
  $sudo_ apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

"$here/scripts/build-libjpeg-win.sh"
echo "setup: ok"
