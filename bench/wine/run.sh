#!/usr/bin/env bash
# Builds the Windows programs (release) and runs the long-list benchmark under Wine:
# a 32,767-entry list read by Varnolt.exe against a bare LB_GETTEXTLEN/LB_GETTEXT loop,
# the read with sizes, and the memory of Varnolt.exe holding the list.
#
#   bench/wine/run.sh [ENTRIES] [RUNS]
set -euo pipefail

# shellcheck source=bench/wine/bench-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench-env.sh"
entries=${1:-32767}
runs=${2:-3}
bench_build Varnolt RokuCtrl varnolt-list-bench
bench_wine_up bench

dir="$WINEPREFIX/drive_c/list-bench"
mkdir -p "$dir"
cp "$bench_build_dir/Varnolt.exe" "$bench_build_dir/varnolt-list-bench.exe" \
  "$bench_build_dir/tools/rokuctrl-standin/RokuCtrl.exe" "$dir/"
bench_wine_run 'C:\list-bench\varnolt-list-bench.exe' 'C:\list-bench\Varnolt.exe' \
  'C:\list-bench\RokuCtrl.exe' 'C:\list-bench\work' "$entries" "$runs"
