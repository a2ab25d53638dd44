#!/usr/bin/env bash
# Builds the Windows programs (release) and times the start-up of Varnolt.exe under Wine
# against startup-min.exe (bench/wine/startup_min.cpp), the least program with a tab
# control, a list view and a row of Japanese buttons: from process start to the visible
# main window and to its first answer, alternately, RUNS times each, in one Wine prefix
# under Xvfb with LANG=ja_JP.UTF-8 and a server kept running, so that only the start-up
# is measured.
#
#   bench/wine/startup.sh [--log-lines N] [RUNS [OTHER_VARNOLT_EXE]]
#
# --log-lines N puts a log.ini of N lines (CP932, CR LF, newest first, as the program
# writes it) beside Varnolt.exe before each of its starts, and times a click on the "ログ"
# tab until the log box shows the log (see startup_bench.cpp).
# OTHER_VARNOLT_EXE, another build of Varnolt.exe (say, of an earlier commit), is timed
# in the same rounds, as "other".
set -euo pipefail

log_lines=""
if [ "${1:-}" = --log-lines ]; then
  log_lines=${2:?--log-lines needs a number}
  shift 2
fi
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
if [ -n "$log_lines" ]; then
  # Nights of work, a start, a list, downloads and conversions, seven minutes apart going
  # back from 2026/12/01.
  awk -v n="$log_lines" 'BEGIN {
    split("Varnolt起動|録画リストを取得しました|ダウンロードを開始します|ダウンロードが終了しました|変換を開始します|変換が終了しました", m, "|")
    t = 0
    for (i = 0; i < n; ++i) {
      day = int(t / 1440); min = t % 1440
      printf "2026/%02d/%02d   %02d:%02d:%02d   %s\r\n", 12 - int(day / 28) % 12, 28 - day % 28, int(min / 60), min % 60, i % 60, m[i % 6 + 1]
      t += 7
    }
  }' | iconv -f UTF-8 -t CP932 >"$dir/log-template.ini"
  args=(--log 'C:\sb\log-template.ini')
fi
args+=("$runs" 'C:\sb\min\startup-min.exe' 'C:\sb\varnolt\Varnolt.exe' 'C:\sb\varnolt')
if [ -n "$other" ]; then
  mkdir -p "$dir/other"
  cp "$other" "$dir/other/Varnolt.exe"
  args+=('C:\sb\other\Varnolt.exe' 'C:\sb\other')
fi
bench_wine_run 'C:\sb\varnolt-startup-bench.exe' "${args[@]}"
