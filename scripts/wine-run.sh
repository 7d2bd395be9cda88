#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix and passes its exit
# code on. Used by CTest for the Windows test executables.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ -z "${DISPLAY:-}" ]; then
  echo "wine-run.sh: no X display (DISPLAY is unset); run under xvfb-run or the test script" >&2
  exit 125
fi
exec env LC_ALL=zh_CN.UTF-8 "$WINELOADER" "$@"
