#!/usr/bin/env bash
# Builds the Windows programs with mingw-w64 and runs the end-to-end tests of
# Varnolt.exe under Wine (Xvfb, LANG=ja_JP.UTF-8 so that the ANSI code page is 932,
# a fresh WINEPREFIX each run), including the controller launch against the stand-in
# RokuCtrl.exe, and prints the measured start-up and launch-and-map times.
#
#   tests/wine/run.sh [--screenshots DIR] [--build DIR]
#
# Screenshots of the six tabs go to DIR/tab0.png ... tab5.png at 96 DPI and
# DIR/tab0-144dpi.png ... at 144 DPI (default: the build folder;
# `--screenshots docs/screenshots` refreshes the README's pictures). Real mouse and
# keyboard input comes from xdotool on the Xvfb display.
# Exit status: 0 when every check passed. VARNOLT_WINE_ONLY=GROUP runs one group of the driver
# alone (the groups are listed in tests/wine/driver/driver.cpp: start, launch, list, convert,
# ports, files, night, mends, resume, history, task, window, help, dlls). The files group kills
# each write VARNOLT_KILL_RUNS times (default 10; a kill of the log's write costs the start with
# a 100,000-line log). The task group also runs the Windows Task Scheduler port against a
# recording stand-in of ITaskService and prints what Wine's own scheduler keeps.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$root/build/windows"
shots=""
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshots) shots=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "usage: $0 [--screenshots DIR] [--build DIR]" >&2; exit 2 ;;
  esac
done
build=$(mkdir -p "$build" && cd "$build" && pwd)
shots=${shots:-$build/screenshots}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)

# The tools come from Debian's packages; as root, fetch what is missing.
if [ "$(id -u)" -eq 0 ]; then
  "$root/scripts/install-deps.sh"
fi
for tool in x86_64-w64-mingw32-g++-posix wine Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

echo "== building the Windows programs in $build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVARNOLT_TESTS=OFF >"$build/configure.log"
cmake --build "$build" -j2 --target Varnolt varnolt_help varnolt-wine-driver RokuCtrl
exe="$build/Varnolt.exe"
driver="$build/varnolt-wine-driver.exe"
standin="$build/tools/rokuctrl-standin/RokuCtrl.exe"
echo "Varnolt.exe: $(stat -c %s "$exe") bytes; imports: $(x86_64-w64-mingw32-objdump -p "$exe" |
  sed -n 's/.*DLL Name: //p' | tr '\n' ' ')"

# shellcheck source=tests/wine/wine-env.sh
source "$root/tests/wine/wine-env.sh"
scratch=$(mktemp -d /tmp/varnolt-wine-XXXXXX)
cleanup() {
  wine_env_cleanup
  rm -rf "$scratch"
}
trap cleanup EXIT

echo "== fresh Wine prefix"
wine_env_init "$scratch"
trap cleanup EXIT  # wine_env_init installs its own trap
# Room for the window at 144 DPI.
wine_env_start_xvfb 1600x1200x24
# The first program of a new server now and then fails to start; a throw-away one
# takes that chance.
timeout 60 wine cmd /c exit 0 >/dev/null 2>&1 || true

drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/winetest/shots"
# help.chm beside Varnolt.exe, as the program looks for it.
# The library-search test plants dll-marker.dll and starts dll-probe.exe; both beside the driver.
cp "$exe" "$build/help.chm" "$driver" "$standin" "$build/dll-marker.dll" "$build/dll-probe.exe" \
  "$build/task-fake-test.exe" "$build/task-probe.exe" "$build/Varnolt-taskfake.exe" \
  "$drive_c/winetest/"

# Real mouse and keyboard input: the driver writes xdotool requests into a folder
# (one argument a line in N.req), this loop runs them on the display Wine draws on and
# answers in N.out (exit status, then output).
xdo_dir="$drive_c/winetest/xdo"
mkdir -p "$xdo_dir"
xdo_server() {
  local req base rc out
  local -a args
  while [ ! -e "$xdo_dir/stop" ]; do
    for req in "$xdo_dir"/*.req; do
      [ -e "$req" ] || continue
      base=${req%.req}
      mapfile -t args <"$req"
      rm -f "$req"
      rc=0
      out=$(xdotool "${args[@]}" 2>&1) || rc=$?
      printf '%s\n%s' "$rc" "$out" >"$base.part" && mv "$base.part" "$base.out"
    done
    sleep 0.02
  done
}
xdo_server &
xdo_pid=$!
export WINETEST_XDOTOOL_DIR='C:\winetest\xdo'
cleanup() {
  touch "$xdo_dir/stop"
  wait "$xdo_pid" 2>/dev/null || true
  wine_env_cleanup
  rm -rf "$scratch"
}

task_status=0
if [ -z "${VARNOLT_WINE_ONLY:-}" ] || [ "$VARNOLT_WINE_ONLY" = task ]; then
  echo "== the Task Scheduler port against a recording stand-in of ITaskService"
  timeout 120 wine 'C:\winetest\task-fake-test.exe' | tr -d '\r' || task_status=1
  echo "== what Wine's own Task Scheduler keeps of the nightly task (shown, not checked)"
  timeout 120 wine 'C:\winetest\task-probe.exe' | tr -d '\r' || true
fi

echo "== end-to-end tests"
# The driver writes to a file, not a pipe: programs it leaves behind (a stand-in that
# hangs) inherit its output and would hold a pipe open after it ends.
raw="$scratch/driver.out"
: >"$raw"
set +e
timeout $((600 + ${VARNOLT_KILL_RUNS:-10} * 60)) wine 'C:\winetest\varnolt-wine-driver.exe' 'C:\winetest\Varnolt.exe' 'C:\winetest\work' 'C:\winetest\shots' \
  'C:\winetest\RokuCtrl.exe' >"$raw" &
driver_pid=$!
tail -n +1 -f --pid="$driver_pid" "$raw" | tr -d '\r'
wait "$driver_pid"
status=$?
set -e
tr -d '\r' <"$raw" >"$build/wine-tests.log"

# ImageMagick's own convert (a wrapper of another name may come first in PATH).
im_convert=$(command -v convert-im6.q16 || command -v /usr/bin/convert || command -v convert)
for name in tab0 tab1 tab2 tab3 tab4 tab5 tab0-144dpi tab1-144dpi tab2-144dpi tab3-144dpi \
  tab4-144dpi tab5-144dpi about-96dpi about-144dpi restart-check3; do
  if [ -f "$drive_c/winetest/shots/$name.bmp" ]; then
    "$im_convert" "$drive_c/winetest/shots/$name.bmp" -strip "$shots/$name.png"
  fi
done
echo "screenshots: $shots/tab0.png ... tab5.png, tab0-144dpi.png ... tab5-144dpi.png, about-*dpi.png"
echo "== timings under Wine"
grep -E '^# (start-up time|launch and map)' "$build/wine-tests.log" | sed 's/^# /  /' || true

if ! grep -Eq '^[0-9]+ passed, 0 failed$' "$build/wine-tests.log"; then
  status=${status:-1}
  [ "$status" -eq 0 ] && status=1
fi
[ "$status" -eq 0 ] && status=$task_status
exit "$status"
