#!/usr/bin/env bash
# Builds everything and runs every test: unit and scenario tests (plain and under
# AddressSanitizer/UBSan), the format check, clang-tidy, a short fuzz run, then the Windows build
# under Wine, and last the release package, built twice in two folders and compared byte
# for byte.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

# Formatting is part of the build's rules.
mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.hpp' 'tests/*.cpp' 'tests/*.hpp' \
  'tools/*.cpp' 'tools/*.hpp' 'bench/*.cpp' 'fuzz/*.cpp' 'fuzz/*.hpp' 2>/dev/null || true)
if [ "${#sources[@]}" -gt 0 ]; then
  clang-format --dry-run --Werror "${sources[@]}"
fi

for preset in dev asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
done

# The static checks of .clang-tidy over everything the Linux build compiles.
bash scripts/tidy.sh build/dev

# Every reader of outside text under the fuzzer for a few seconds; a finding fails.
bash bench/fuzz.sh 5

if [ -x tests/wine/run.sh ] || [ -f tests/wine/run.sh ]; then
  bash tests/wine/run.sh
fi

bash tests/package/run.sh
