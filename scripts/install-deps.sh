#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: when
# everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev nasm
  libjpeg62-turbo-dev googletest libgtest-dev
  wine wine32:i386 wine64 xvfb xauth fonts-wqy-microhei
  imagemagick dpkg-dev file zip
)

missing=()
for p in "${packages[@]}"; do
  # dpkg-query prints "install ok installed" only for a fully installed package.
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run this script as root (or install them with apt-get) and try again." >&2
  exit 1
fi

echo "==> Installing packages: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "==> Enabling the i386 architecture (needed by 32-bit Wine)"
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "==> Packages installed"
