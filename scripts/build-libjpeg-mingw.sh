#!/usr/bin/env bash
# Builds libjpeg-turbo (Debian's source package) as a static MinGW library
# with SIMD, for i686 (the product) or x86_64 (given as the first argument),
# into build/deps/libjpeg-turbo-ARCH. Built once: a later run finds the
# library and returns at once.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
deps="$root/build/deps"
arch="${1:-i686}"
prefix="$deps/libjpeg-turbo-$arch"

if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ]; then
  exit 0
fi

mkdir -p "$deps/src"
cd "$deps/src"

srcdir=$(find . -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
if [ -z "$srcdir" ]; then
  # apt-get source needs a deb-src entry for the suites that deb uses.
  if ! grep -rqs -E '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "==> Adding a deb-src entry for Debian's source packages"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        > /etc/apt/sources.list.d/picjoin-deb-src.sources
    else
      grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
        > /etc/apt/sources.list.d/picjoin-deb-src.list
    fi
    apt-get update -q
  fi
  echo "==> Fetching the libjpeg-turbo source package"
  if ! apt-get source --download-only libjpeg-turbo >/dev/null 2>apt-source.err; then
    apt-get update -q
    apt-get source --download-only libjpeg-turbo
  fi
  dsc=$(ls libjpeg-turbo_*.dsc | head -n 1)
  dpkg-source -x "$dsc" >/dev/null
  srcdir=$(find . -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
fi

echo "==> Building libjpeg-turbo for $arch Windows (static, SIMD)"
cmake -S "$srcdir" -B "$deps/libjpeg-turbo-build-$arch" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-${arch}-plain.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DWITH_TURBOJPEG=OFF \
  -DWITH_JPEG8=OFF -DREQUIRE_SIMD=ON >"$deps/libjpeg-turbo-configure-$arch.log" 2>&1
cmake --build "$deps/libjpeg-turbo-build-$arch" --target install >"$deps/libjpeg-turbo-build-$arch.log" 2>&1
echo "==> libjpeg-turbo installed in $prefix"
