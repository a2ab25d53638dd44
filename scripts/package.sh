#!/usr/bin/env bash
# Builds the release package dist/Varnolt-<version>.zip: Varnolt.exe (mingw-w64,
# Release), help.chm and readme.txt (Japanese, CP932, CR LF, from docs/readme/).
#
#   scripts/package.sh [--build DIR] [--out DIR]
#
# The same commit gives the same zip, byte for byte, from whatever folder it is built
# in: the folders are mapped out of the objects and the PE header has no link time
# (CMakeLists.txt), the CHM's changing header values are fixed by its own target, and
# the zip's entries are sorted with one time for all (SOURCE_DATE_EPOCH when set, else
# the time of the commit built) and fixed attributes (scripts/package_zip.py).
# tests/package/run.sh builds twice in two folders and compares.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/package"
out="$root/dist"
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

# On a fresh machine (as root) the tools come from Debian's packages.
if [ "$(id -u)" -eq 0 ]; then
  bash "$root/scripts/install-deps.sh" --package
fi
for tool in cmake x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh --package)"
done

# The version the program shows in its version block names the package.
version=$(sed -n 's/.*VALUE "ProductVersion", "\([^"]*\)".*/\1/p' \
  "$root/src/gui/win32/varnolt.rc.in")
[ -n "$version" ] || fail "no ProductVersion in src/gui/win32/varnolt.rc.in"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
    fail "not a git checkout: set SOURCE_DATE_EPOCH to the time the package should carry"
fi
export SOURCE_DATE_EPOCH

jobs=$(nproc 2>/dev/null || echo 2)
mkdir -p "$build"
build=$(cd "$build" && pwd)
echo "== building Varnolt.exe and help.chm in $build"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVARNOLT_TESTS=OFF >"$build/configure.log" ||
  fail "configuring failed (see $build/configure.log)"
cmake --build "$build" -j"$jobs" --target Varnolt
if ! cmake --build "$build" -j"$jobs" --target varnolt_help || [ ! -f "$build/help.chm" ]; then
  fail "help.chm was not built: the package needs the CMake target varnolt_help," \
    "which writes $build/help.chm"
fi

mkdir -p "$out"
zip="$out/Varnolt-$version.zip"
python3 "$root/scripts/package_zip.py" --epoch "$SOURCE_DATE_EPOCH" --version "$version" \
  --readme "$root/docs/readme/readme.txt" --out "$zip" "$build/Varnolt.exe" "$build/help.chm"
echo "package: $zip ($(stat -c %s "$zip") bytes, sha256 $(sha256sum "$zip" | cut -d' ' -f1))"
