# shellcheck shell=bash
# Helpers for running the Windows build under Wine (headless, Japanese locale).
#
# Usage (bash):
#   source tests/wine/wine-env.sh
#   wine_env_init "$(mktemp -d)"      # fresh 64-bit WINEPREFIX, ja_JP.UTF-8 (ANSI code page 932)
#   wine_env_start_xvfb               # private Xvfb, exports DISPLAY
#   wine app.exe ...                  # or: wine_env_run app.exe ...
#   import -window root shot.png      # screenshots work while the exe runs
#   wine_env_cleanup                  # wineserver -k, stop Xvfb (also done on EXIT)
#
# One-shot form:  wine_env_with_xvfb CMD...   (start Xvfb, run CMD, stop Xvfb, keep CMD's exit code)
#
# Notes:
# - wine_env_init installs an EXIT trap that calls wine_env_cleanup; if the caller
#   needs its own EXIT trap, call wine_env_cleanup from it.
# - The exit code of a Windows exe comes back through `wine` (low 8 bits, as for
#   any Unix process): ExitProcess(7) -> 7, abort() -> 3, access violation
#   0xC0000005 -> 5.
# - Crashes: winedbg prints a backtrace to the crashed exe's *stdout* (no dialog).
#   Set WINE_ENV_NO_WINEDBG=1 before wine_env_init to skip winedbg entirely
#   (clean stdout, faster exit, exit code unchanged).
# - Console exes: when stdout is a pipe/file, bytes written with WriteFile/printf are
#   passed through untouched (write UTF-8 yourself); the msvcrt text mode turns "\n"
#   into "\r\n" unless _setmode(_fileno(stdout), _O_BINARY) is used.

WINE_ENV_XVFB_PID=""
WINE_ENV_DIR=""

_wine_env_log() { printf 'wine-env: %s\n' "$*" >&2; }

# The wine launcher: Debian's "wine" wrapper runs 64-bit PE exes without wine32;
# fall back to the raw loader if the wrapper is missing.
wine_env_wine_bin() {
  if command -v wine >/dev/null 2>&1; then
    command -v wine
  elif [ -x /usr/lib/wine/wine64 ]; then
    echo /usr/lib/wine/wine64
  else
    _wine_env_log "wine not found (run scripts/install-deps.sh)"
    return 1
  fi
}

# wine_env_init DIR
# Creates DIR/prefix as a fresh 64-bit WINEPREFIX and exports the environment.
wine_env_init() {
  local dir=${1:?usage: wine_env_init DIR}
  mkdir -p "$dir"
  WINE_ENV_DIR=$(cd "$dir" && pwd)
  export WINEPREFIX="$WINE_ENV_DIR/prefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  # Disable the mono/gecko installer prompts (and the .NET/HTML engines themselves)
  # and winemenubuilder (writes .desktop files/menus, not needed).
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ "${WINE_ENV_NO_WINEDBG:-0}" = 1 ]; then
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
  fi
  # Wine derives the ANSI/OEM code page (932) from the Unix locale.
  export LANG=ja_JP.UTF-8
  export LC_ALL=ja_JP.UTF-8
  unset LANGUAGE
  # Keep Wine from touching the real home directory's menus/desktop files.
  export XDG_DATA_HOME="$WINE_ENV_DIR/xdg-data"
  export XDG_CONFIG_HOME="$WINE_ENV_DIR/xdg-config"
  export XDG_CACHE_HOME="$WINE_ENV_DIR/xdg-cache"

  if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    _wine_env_log "locale ja_JP.UTF-8 is not generated (run scripts/install-deps.sh)"
    return 1
  fi
  if ! fc-list :lang=ja family 2>/dev/null | grep -q .; then
    _wine_env_log "warning: no Japanese font found; Japanese text will render as boxes"
  fi
  local wine_bin
  wine_bin=$(wine_env_wine_bin) || return 1

  trap wine_env_cleanup EXIT

  # "wineboot -i" creates the prefix (~5 s) and returns while its helper processes
  # (services, explorer /desktop, ...) still run without a display. Kill them:
  # the registry is flushed on server exit, and the next server then starts the
  # desktop process with the right DISPLAY. (-k is ~6 s faster than -w.)
  if ! DISPLAY= "$wine_bin" wineboot -i >"$WINE_ENV_DIR/wineboot.log" 2>&1; then
    _wine_env_log "wineboot failed, see $WINE_ENV_DIR/wineboot.log"
    return 1
  fi
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w

  # Let Wine draw window frames/captions itself (there is no window manager on
  # Xvfb), so screenshots show the title bar.
  DISPLAY= "$wine_bin" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || true
  DISPLAY= "$wine_bin" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  # An unhandled exception would open winedbg's crash dialog and hang the run
  # under Xvfb: make winedbg only print the backtrace and let the process die.
  DISPLAY= "$wine_bin" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
  wine_env_stop_wineserver
}

# wine_env_start_xvfb [WxHxD]
# Starts a private Xvfb on a free display number and exports DISPLAY.
wine_env_start_xvfb() {
  local screen=${1:-1280x800x24}
  if [ -n "$WINE_ENV_XVFB_PID" ] && kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null; then
    return 0
  fi
  local fifo_dir fd_file
  fifo_dir=$(mktemp -d)
  fd_file="$fifo_dir/display"
  # -displayfd makes Xvfb choose a free display and print its number when ready.
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$fd_file" \
    >"${WINE_ENV_DIR:-$fifo_dir}/xvfb.log" 2>&1 &
  WINE_ENV_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$fd_file" ]; then break; fi
    if ! kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null; then
      _wine_env_log "Xvfb exited early"
      WINE_ENV_XVFB_PID=""
      rm -rf "$fifo_dir"
      return 1
    fi
    sleep 0.1
  done
  if [ ! -s "$fd_file" ]; then
    _wine_env_log "Xvfb did not report a display"
    rm -rf "$fifo_dir"
    return 1
  fi
  export DISPLAY=":$(tr -dc '0-9' <"$fd_file")"
  rm -rf "$fifo_dir"
  # A wineserver that is still up keeps Wine's desktop process, which holds the
  # DISPLAY it was started with: stop it so the next exe uses this display.
  wine_env_stop_wineserver
}

wine_env_stop_xvfb() {
  if [ -n "$WINE_ENV_XVFB_PID" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    WINE_ENV_XVFB_PID=""
    unset DISPLAY
  fi
}

# wine_env_run EXE [ARGS...]  — run a Windows exe, returns its exit code.
wine_env_run() {
  local wine_bin
  wine_bin=$(wine_env_wine_bin) || return 1
  "$wine_bin" "$@"
}

# wine_env_with_xvfb CMD...  — run CMD with a private Xvfb, preserving its exit code.
wine_env_with_xvfb() {
  local started=0 rc=0
  if [ -z "$WINE_ENV_XVFB_PID" ]; then
    wine_env_start_xvfb || return 1
    started=1
  fi
  "$@" || rc=$?
  if [ "$started" = 1 ]; then
    wine_env_stop_wineserver
    wine_env_stop_xvfb
  fi
  return "$rc"
}

# wine_env_stop_wineserver — kill all Wine processes of this prefix and wait.
wine_env_stop_wineserver() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
}

wine_env_cleanup() {
  wine_env_stop_wineserver
  wine_env_stop_xvfb
}
