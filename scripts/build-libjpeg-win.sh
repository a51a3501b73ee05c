#!/usr/bin/env bash
# Cross-builds libjpeg-turbo for the Windows builds (i686 and x86_64) from Debian's source
# package, into the build tree. Nothing third-party is committed; a second run finds the
# libraries and returns.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
deps="$here/build/deps"

need=()
for arch in i686 x86_64; do
  [ -f "$deps/libjpeg-$arch/lib/libjpeg.a" ] || need+=("$arch")
done
((${#need[@]})) || exit 0

mkdir -p "$deps/src"
cd "$deps/src"
if ! ls -d libjpeg-turbo-*/ >/dev/null 2>&1; then
  echo "setup: fetching the libjpeg-turbo source package"
  apt-get source -qq --download-only libjpeg-turbo >/dev/null 2>&1
  dpkg-source -x --no-check libjpeg-turbo_*.dsc >/dev/null
fi
srcdir=$(ls -d "$deps"/src/libjpeg-turbo-*/ | head -1)

for arch in "${need[@]}"; do
  echo "setup: cross-building libjpeg-turbo for $arch"
  rm -rf "$deps/libjpeg-build-$arch"
  cmake -S "$srcdir" -B "$deps/libjpeg-build-$arch" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps/libjpeg-$arch" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF -Wno-dev >/dev/null 2>&1
  cmake --build "$deps/libjpeg-build-$arch" --target install >/dev/null
  [ -f "$deps/libjpeg-$arch/lib/libjpeg.a" ]
done
