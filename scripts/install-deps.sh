#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: when
# everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev nasm
  libjpeg62-turbo-dev googletest libgtest-dev
  wine wine32:i386 wine64 xvfb xauth fonts-wqy-microhei
  imagemagick dpkg-dev file zip locales
)

missing=()
for p in "${packages[@]}"; do
  # dpkg-query prints "install ok installed" only for a fully installed package.
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Wine takes its code page (936) from a zh_CN locale; file names with
# Chinese characters need that locale to exist on the Linux side too.
have_locale() { locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; }

if [ ${#missing[@]} -eq 0 ] && have_locale; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run this script as root (or install them with apt-get) and try again." >&2
  exit 1
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "==> Installing packages: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "==> Enabling the i386 architecture (needed by 32-bit Wine)"
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
  echo "==> Packages installed"
fi

if ! have_locale; then
  echo "==> Generating the zh_CN.UTF-8 locale"
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
