# Sourced by the project's scripts: the Wine settings every Windows run uses,
# and helpers to make the prefix and to start and stop a private X display.
# The prefix lives in the build folder, never in the user's ~/.wine.

picjoin_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The product is a 32-bit program and runs in a 32-bit prefix. Some Linux
# kernels are built or booted without 32-bit execution (ia32 emulation off):
# there no 32-bit Wine can start, and the tests run the 64-bit build of the
# same sources in a 64-bit prefix instead. PICJOIN_WINE_ARCH overrides.
picjoin_can_run_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
if [ -z "${PICJOIN_WINE_ARCH:-}" ]; then
  if picjoin_can_run_32bit; then PICJOIN_WINE_ARCH=win32; else PICJOIN_WINE_ARCH=win64; fi
fi
export PICJOIN_WINE_ARCH
export WINEARCH="$PICJOIN_WINE_ARCH"
if [ "$PICJOIN_WINE_ARCH" = win32 ]; then
  export WINELOADER=/usr/lib/wine/wine
else
  export WINELOADER=/usr/lib/wine/wine64
fi
export WINEPREFIX="${PICJOIN_WINEPREFIX:-$picjoin_root/build/wine-prefix-$PICJOIN_WINE_ARCH}"
# Wine takes its ANSI code page from the locale: zh_CN gives 936 (GBK), the
# code page of the program's texts. No Linux locale of that name needs to
# exist, so it is set only for Wine's own processes (bash would complain).
picjoin_wine() { env LC_ALL=zh_CN.UTF-8 "$WINELOADER" "$@"; }
export WINEDEBUG="${WINEDEBUG:--all}"
# Keep Wine from offering to install Mono or Gecko into a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Makes the prefix once: 32-bit, a virtual desktop the size of the screen
# (no window manager needed, and no wait whenever a window hides), and no
# crash dialog (a crash ends the program with its exception code).
picjoin_ensure_prefix() {
  if [ -f "$WINEPREFIX/.picjoin-ready" ]; then
    return 0
  fi
  echo "==> Making the Wine prefix ($WINEARCH) in $WINEPREFIX (takes a few seconds)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  picjoin_wine wineboot -i >"$WINEPREFIX.log" 2>&1
  picjoin_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >>"$WINEPREFIX.log" 2>&1
  picjoin_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >>"$WINEPREFIX.log" 2>&1
  picjoin_wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$WINEPREFIX.log" 2>&1
  wineserver -w
  touch "$WINEPREFIX/.picjoin-ready"
}

# Starts a private Xvfb on a free display number; sets DISPLAY and
# picjoin_xvfb_pid. Stop it with picjoin_stop_xvfb.
picjoin_start_xvfb() {
  local n
  for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      picjoin_xvfb_pid=$!
      local i
      for i in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
      done
      if kill -0 "$picjoin_xvfb_pid" 2>/dev/null; then
        export DISPLAY=":$n"
        return 0
      fi
    fi
  done
  echo "Could not start Xvfb" >&2
  return 1
}

picjoin_stop_xvfb() {
  if [ -n "${picjoin_xvfb_pid:-}" ]; then
    kill "$picjoin_xvfb_pid" 2>/dev/null || true
    wait "$picjoin_xvfb_pid" 2>/dev/null || true
    picjoin_xvfb_pid=""
  fi
}

# Keeps one wineserver up for a whole run, so each program does not pay for
# Wine's start-up again. Only ever stops the server of our own prefix.
picjoin_start_wineserver() {
  wineserver -p
  picjoin_wine cmd /c exit >/dev/null 2>&1 || true
}

picjoin_stop_wineserver() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
