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

# shellcheck source=bench/wine/bench-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench-env.sh"
runs=${1:-21}
other=${2:-}
if [ -n "$other" ]; then other=$(cd "$(dirname "$other")" && pwd)/$(basename "$other"); fi
bench_build Varnolt startup-min varnolt-startup-bench
bench_wine_up startup

dir="$WINEPREFIX/drive_c/sb"
mkdir -p "$dir/varnolt" "$dir/min"
cp "$bench_build_dir/Varnolt.exe" "$dir/varnolt/"
cp "$bench_build_dir/startup-min.exe" "$dir/min/"
cp "$bench_build_dir/varnolt-startup-bench.exe" "$dir/"
args=()
if [ -n "$other" ]; then
  mkdir -p "$dir/other"
  cp "$other" "$dir/other/Varnolt.exe"
  args=('C:\sb\other\Varnolt.exe' 'C:\sb\other')
fi
bench_wine_run 'C:\sb\varnolt-startup-bench.exe' "$runs" 'C:\sb\min\startup-min.exe' \
  'C:\sb\varnolt\Varnolt.exe' 'C:\sb\varnolt' "${args[@]}"
