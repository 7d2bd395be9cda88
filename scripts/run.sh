#!/usr/bin/env bash
# Builds picjoin.exe and starts it under Wine on the current X display.
# Installs what is missing first.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

if [ -z "${DISPLAY:-}" ]; then
  echo "No X display (DISPLAY is unset): run this under one, for example: xvfb-run -a bash scripts/run.sh" >&2
  exit 1
fi

bash scripts/install-deps.sh
source scripts/wine-env.sh
mkdir -p build

bash scripts/build-libjpeg-mingw.sh i686
echo "==> Building picjoin.exe (32-bit)"
cmake --preset win32 >build/configure-win32.log 2>&1 || { cat build/configure-win32.log; exit 1; }
cmake --build build/win32 --target picjoin | tail -n 1
exe="build/win32/picjoin.exe"

if [ "$PICJOIN_WINE_ARCH" = win64 ]; then
  echo "This machine cannot run 32-bit code (ia32 emulation is off in its kernel);"
  echo "starting the 64-bit build of the same sources instead."
  bash scripts/build-libjpeg-mingw.sh x86_64
  cmake --preset win64 >build/configure-win64.log 2>&1 || { cat build/configure-win64.log; exit 1; }
  cmake --build build/win64 --target picjoin | tail -n 1
  exe="build/win64/picjoin.exe"
fi

picjoin_ensure_prefix
echo "==> Starting $exe under Wine"
exec env LC_ALL=zh_CN.UTF-8 "$WINELOADER" "$exe"
