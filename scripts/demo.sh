#!/usr/bin/env bash
# Builds varnolt-sim and runs the main job against the stand-in controller on the
# simulated desktop. The world is kept in ./demo-world for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --native
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc 2>/dev/null || echo 2)" --target varnolt-sim >/dev/null
rm -rf demo-world
./build/dev/varnolt-sim --root demo-world --now "2026/12/07 21:30:00" "${1:-examples/demo.scn}"
