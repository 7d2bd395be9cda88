# Sourced by the project's scripts: the Wine settings every Windows run uses,
# and helpers to make the prefix and to start and stop a private X display.
# The prefix lives in the build folder, never in the user's ~/.wine.

picjoin_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${PICJOIN_WINEPREFIX:-$picjoin_root/build/wine-prefix}"
export WINEARCH=win32
# ANSI code page 936 (GBK): the program's texts are GBK.
export LC_ALL=zh_CN.UTF-8
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
  echo "==> Making the 32-bit Wine prefix in $WINEPREFIX (takes a few seconds)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >"$WINEPREFIX.log" 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >>"$WINEPREFIX.log" 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >>"$WINEPREFIX.log" 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$WINEPREFIX.log" 2>&1
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
  wine cmd /c exit >/dev/null 2>&1 || true
}

picjoin_stop_wineserver() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
