# shellcheck shell=bash
# What the Wine benchmarks share: the release build of the Windows programs, a fresh
# Wine prefix under a private Xvfb (removed at exit), and a timed run of one program
# whose output is shown as it comes. Sourced by bench/wine/*.sh:
#
#   source "$(dirname "${BASH_SOURCE[0]}")/bench-env.sh"
#   bench_build TARGET...        # build/windows, release, these targets
#   bench_wine_up NAME           # $scratch, $WINEPREFIX and $DISPLAY; the server stays up
#   bench_wine_run EXE ARG...    # runs it under wine (at most 30 min); its exit status

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bench_build_dir="$bench_root/build/windows"
scratch=""

bench_build() {
  mkdir -p "$bench_build_dir"
  cmake -S "$bench_root" -B "$bench_build_dir" \
    -DCMAKE_TOOLCHAIN_FILE="$bench_root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVARNOLT_TESTS=OFF >"$bench_build_dir.configure.log" 2>&1 ||
    { cat "$bench_build_dir.configure.log"; return 1; }
  cmake --build "$bench_build_dir" -j2 --target "$@" >/dev/null
}

bench_cleanup() {
  wine_env_cleanup
  if [ -n "$scratch" ]; then rm -rf "$scratch"; fi
}

bench_wine_up() {
  # shellcheck source=tests/wine/wine-env.sh
  source "$bench_root/tests/wine/wine-env.sh"
  scratch=$(mktemp -d "/tmp/varnolt-${1:-bench}-XXXXXX")
  trap bench_cleanup EXIT
  wine_env_init "$scratch"
  trap bench_cleanup EXIT  # wine_env_init installs its own trap
  wine_env_start_xvfb 1024x768x24
  # The server stays up between the programs (and its desktop process with it), so that
  # no run pays for starting it.
  wineserver -p
  timeout 60 wine cmd /c exit 0 >/dev/null 2>&1 || true
}

bench_wine_run() {
  local out="$scratch/bench.out" pid status
  : >"$out"
  set +e
  timeout 1800 wine "$@" >"$out" &
  pid=$!
  tail -n +1 -f --pid="$pid" "$out" | stdbuf -oL tr -d '\r'
  wait "$pid"
  status=$?
  set -e
  return "$status"
}
