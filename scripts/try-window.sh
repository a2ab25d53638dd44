#!/usr/bin/env bash
# Builds Varnolt.exe, its help and the stand-in controller RokuCtrl.exe, and opens the
# stand-in and Varnolt under Wine in a fresh prefix, ready to be tried: the controller
# holds the recordings of examples/RokuCtrl.ini (or of INI), and Varnolt's default.ini
# has it registered, with C:\Varnolt\録画 as the download folder and nothing to do
# at the end of the work.
#
#   scripts/try-window.sh [--ini INI] [--shot PNG]
#
# On the user's display ($DISPLAY answering) the windows stay until Varnolt is closed;
# then the stand-in is ended too. Without a display they open on a private Xvfb, a
# screenshot of both goes to PNG (default build/windows/try-window.png) and both end.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/windows"
ini="$root/examples/RokuCtrl.ini"
shot="$build/try-window.png"
while [ $# -gt 0 ]; do
  case "$1" in
    --ini) ini=$(realpath "$2"); shift 2 ;;
    --shot) shot=$(realpath -m "$2"); shift 2 ;;
    *) echo "usage: $0 [--ini INI] [--shot PNG]" >&2; exit 2 ;;
  esac
done

if [ "$(id -u)" -eq 0 ]; then
  "$root/scripts/install-deps.sh"
fi

echo "== building Varnolt.exe, help.chm and RokuCtrl.exe in $build"
mkdir -p "$build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVARNOLT_TESTS=OFF >"$build/configure.log"
cmake --build "$build" -j2 --target Varnolt varnolt_help RokuCtrl

# shellcheck source=tests/wine/wine-env.sh
source "$root/tests/wine/wine-env.sh"
scratch=$(mktemp -d /tmp/varnolt-try-XXXXXX)
cleanup() {
  wine_env_cleanup
  rm -rf "$scratch"
}
echo "== fresh Wine prefix in $scratch"
wine_env_init "$scratch"
trap cleanup EXIT  # wine_env_init installs its own trap

# The user's display when it answers, else a private Xvfb.
xvfb=1
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  xvfb=0
  # wine_env_init leaves the frames to Wine for Xvfb, which has no window manager: on a
  # desktop the window manager frames and moves them.
  DISPLAY='' wine reg delete 'HKCU\Software\Wine\X11 Driver' /f >/dev/null 2>&1 || true
  wine_env_stop_wineserver
else
  wine_env_start_xvfb 1360x600x24
fi

# C:\Varnolt: the program, its help and settings; the controller in C:\Varnolt\ロクラク.
home="$WINEPREFIX/drive_c/Varnolt"
mkdir -p "$home/ロクラク" "$home/録画"
cp "$build/Varnolt.exe" "$build/help.chm" "$home/"
cp "$build/tools/rokuctrl-standin/RokuCtrl.exe" "$ini" "$home/ロクラク/"
[ "$(basename "$ini")" = RokuCtrl.ini ] || mv "$home/ロクラク/$(basename "$ini")" "$home/ロクラク/RokuCtrl.ini"
{
  printf '/Label2.Caption\r\nC:\\Varnolt\\ロクラク\\RokuCtrl.exe\r\n/text4.text\r\nC:\\Varnolt\\録画\r\n'
  for i in 0 1 2 3 4 5 6 7 8; do
    printf '/Option1(%d).Value\r\n%s\r\n' "$i" "$([ "$i" = 5 ] && echo True || echo False)"
  done
  printf '/Check1.Value\r\n0\r\n/Check2.Value\r\n0\r\n\r\n'
} | iconv -f UTF-8 -t CP932 >"$home/default.ini"

echo "== opening RokuCtrl.exe and Varnolt.exe on $DISPLAY"
(cd "$home/ロクラク" && exec wine RokuCtrl.exe) >"$scratch/rokuctrl.log" 2>&1 &
cd "$home"
if [ "$xvfb" = 0 ]; then
  echo "   close Varnolt to end; press ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動, then リスト取得 to copy the controller's list"
  wine Varnolt.exe >"$scratch/varnolt.log" 2>&1 || true
  exit 0
fi

wine Varnolt.exe >"$scratch/varnolt.log" 2>&1 &
# Both windows up (Wine names each X window's class after its program), then a moment
# to paint.
varnolt="" controller=""
for _ in $(seq 1 300); do
  varnolt=$(xdotool search --onlyvisible --classname '^varnolt\.exe$' 2>/dev/null | head -n 1) || true
  controller=$(xdotool search --onlyvisible --classname '^rokuctrl\.exe$' 2>/dev/null | head -n 1) || true
  [ -n "$varnolt" ] && [ -n "$controller" ] && break
  sleep 0.1
done
if [ -z "$varnolt" ] || [ -z "$controller" ]; then
  echo "try-window: the windows did not open (logs in $scratch, kept)" >&2
  trap wine_env_cleanup EXIT
  exit 1
fi
# No window manager places them: the controller goes to the right of Varnolt.
eval "$(xdotool getwindowgeometry --shell "$varnolt")"
xdotool windowmove "$controller" $((WIDTH + 8)) 0
sleep 2
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo "screenshot: $shot"
