#!/usr/bin/env bash
# Builds the Windows programs (release) and runs the long-list benchmark under Wine:
# a 32,767-entry list read by Varnolt.exe against a bare LB_GETTEXTLEN/LB_GETTEXT loop,
# the read with sizes, and the memory of Varnolt.exe holding the list.
#
#   bench/wine/run.sh [ENTRIES] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$root/build/windows"
entries=${1:-32767}
runs=${2:-3}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVARNOLT_TESTS=OFF >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j2 --target Varnolt RokuCtrl varnolt-list-bench >/dev/null

# shellcheck source=tests/wine/wine-env.sh
source "$root/tests/wine/wine-env.sh"
scratch=$(mktemp -d /tmp/varnolt-bench-XXXXXX)
cleanup() {
  wine_env_cleanup
  rm -rf "$scratch"
}
trap cleanup EXIT
wine_env_init "$scratch"
trap cleanup EXIT
wine_env_start_xvfb 1024x768x24
timeout 60 wine cmd /c exit 0 >/dev/null 2>&1 || true

dir="$WINEPREFIX/drive_c/vb"
mkdir -p "$dir"
cp "$build/Varnolt.exe" "$build/varnolt-list-bench.exe" "$build/tools/rokuctrl-standin/RokuCtrl.exe" "$dir/"
out="$scratch/bench.out"
: >"$out"
set +e
timeout 1800 wine 'C:\vb\varnolt-list-bench.exe' 'C:\vb\Varnolt.exe' 'C:\vb\RokuCtrl.exe' \
  'C:\vb\work' "$entries" "$runs" >"$out" &
pid=$!
tail -n +1 -f --pid="$pid" "$out" | stdbuf -oL tr -d '\r'
wait "$pid"
status=$?
set -e
exit "$status"
