#!/usr/bin/env bash
# Builds the Windows programs (release) and times the start-up of Varnolt.exe under Wine
# against startup-min.exe (bench/wine/startup_min.cpp), the least program with a tab
# control, a list view and a row of Japanese buttons: from process start to the visible
# main window, alternately, RUNS times each, in one Wine prefix under Xvfb with
# LANG=ja_JP.UTF-8 and a server kept running, so that only the start-up is measured.
#
#   bench/wine/startup.sh [RUNS [OTHER_VARNOLT_EXE]]
#
# OTHER_VARNOLT_EXE, another build of Varnolt.exe (say, of an earlier commit), is timed
# in the same rounds, as "other".
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$root/build/windows"
runs=${1:-21}
other=${2:-}
if [ -n "$other" ]; then other=$(cd "$(dirname "$other")" && pwd)/$(basename "$other"); fi
mkdir -p "$build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVARNOLT_TESTS=OFF >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j2 --target Varnolt startup-min varnolt-startup-bench >/dev/null

# shellcheck source=tests/wine/wine-env.sh
source "$root/tests/wine/wine-env.sh"
scratch=$(mktemp -d /tmp/varnolt-startup-XXXXXX)
cleanup() {
  wine_env_cleanup
  rm -rf "$scratch"
}
trap cleanup EXIT
wine_env_init "$scratch"
trap cleanup EXIT  # wine_env_init installs its own trap
wine_env_start_xvfb 1024x768x24
# The server stays up between the programs (and its desktop process with it).
wineserver -p
timeout 60 wine cmd /c exit 0 >/dev/null 2>&1 || true

dir="$WINEPREFIX/drive_c/sb"
mkdir -p "$dir/varnolt" "$dir/min"
cp "$build/Varnolt.exe" "$dir/varnolt/"
cp "$build/startup-min.exe" "$dir/min/"
cp "$build/varnolt-startup-bench.exe" "$dir/"
args=()
if [ -n "$other" ]; then
  mkdir -p "$dir/other"
  cp "$other" "$dir/other/Varnolt.exe"
  args=('C:\sb\other\Varnolt.exe' 'C:\sb\other')
fi
out="$scratch/bench.out"
: >"$out"
set +e
timeout 1800 wine 'C:\sb\varnolt-startup-bench.exe' "$runs" 'C:\sb\min\startup-min.exe' \
  'C:\sb\varnolt\Varnolt.exe' 'C:\sb\varnolt' "${args[@]}" >"$out" &
pid=$!
tail -n +1 -f --pid="$pid" "$out" | stdbuf -oL tr -d '\r'
wait "$pid"
status=$?
set -e
exit "$status"
