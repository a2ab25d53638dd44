#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over every source of a Linux build
# (default build/dev; its compile_commands.json) and fails on any finding.
#   scripts/tidy.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
jobs=$(nproc 2>/dev/null || echo 2)
mapfile -t files < <(python3 - "$build/compile_commands.json" <<'PY'
import json, os, sys
root = os.getcwd() + "/"
seen = sorted({e["file"] for e in json.load(open(sys.argv[1]))
               if e["file"].startswith(root) and "/build/" not in e["file"]})
print("\n".join(seen))
PY
)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! run-clang-tidy -p "$build" -j"$jobs" -quiet "${files[@]}" >"$log" 2>&1 ||
  grep -qE '(warning|error): ' "$log"; then
  grep -E '(warning|error): ' "$log" | sort -u >&2 || cat "$log" >&2
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy: ${#files[@]} files, no findings"
